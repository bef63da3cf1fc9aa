// Conversions between FILETIME counts (100 ns since 1601-01-01 UTC), calendar
// fields, POSIX times and the process's local time, shared by the time,
// date-text and file functions.
#pragma once

#include <time.h>

#include "win32/types.h"

namespace platform::calendar {

inline constexpr ULONGLONG kTicksPerSecond = 10000000ull;
inline constexpr ULONGLONG kTicksPerDay = 86400ull * kTicksPerSecond;
// Windows converts FILETIMEs only while the sign bit is clear.
inline constexpr ULONGLONG kMaxTicks = 0x7FFFFFFFFFFFFFFFull;

inline ULONGLONG ticksOf(const FILETIME& ft) noexcept {
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
inline FILETIME fileTimeOf(ULONGLONG ticks) noexcept {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

struct CivilDate {
    int year;
    unsigned month;
    unsigned day;
};
bool isValidDate(int year, unsigned month, unsigned day) noexcept;
// Days counted from 1970-01-01 (negative before it), and back.
long long daysFromCivil(const CivilDate& date) noexcept;
CivilDate civilFromDays(long long days) noexcept;
// 0 = Sunday, as SYSTEMTIME counts.
WORD weekdayOfDays(long long days) noexcept;

// Throws WinError(ERROR_INVALID_PARAMETER) beyond kMaxTicks.
SYSTEMTIME systemTimeOf(ULONGLONG ticks);
// Checks every field but the day of the week, which Windows ignores; years
// 1601 to 30827. Throws WinError(ERROR_INVALID_PARAMETER).
ULONGLONG ticksOf(const SYSTEMTIME& st);

// Local time minus UTC at the clock's "now", in ticks, from the TZ of the
// process (re-read on every call, so a test may change it).
long long currentLocalOffset();
SYSTEMTIME localNow();

// File system times; times before 1601 become 0.
ULONGLONG ticksOf(const timespec& ts) noexcept;
timespec timespecOf(ULONGLONG ticks) noexcept;

}  // namespace platform::calendar

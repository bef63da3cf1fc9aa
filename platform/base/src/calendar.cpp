#include "calendar.h"

#include <cerrno>
#include <chrono>

#include "platform/clock.h"
#include "platform/win_error.h"

namespace platform::calendar {

namespace {
using namespace std::chrono;

constexpr long long kUnixEpochSeconds = static_cast<long long>(clock::kUnixEpochAsFileTime / kTicksPerSecond);
constexpr long long kUnixEpochDays = kUnixEpochSeconds / 86400;  // 1970-01-01 counted from 1601-01-01

[[noreturn]] void invalid(const char* what) { throw WinError(ERROR_INVALID_PARAMETER, what); }

long long floorDiv(long long a, long long b) noexcept { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

bool isValidDate(int y, unsigned m, unsigned d) noexcept { return year_month_day{year{y}, month{m}, day{d}}.ok(); }

long long daysFromCivil(const CivilDate& date) noexcept {
    return sys_days{year{date.year} / month{date.month} / day{date.day}}.time_since_epoch().count();
}

CivilDate civilFromDays(long long n) noexcept {
    const year_month_day ymd{sys_days{days{n}}};
    return {static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day())};
}

WORD weekdayOfDays(long long n) noexcept { return static_cast<WORD>(weekday{sys_days{days{n}}}.c_encoding()); }

SYSTEMTIME systemTimeOf(ULONGLONG ticks) {
    if (ticks > kMaxTicks) invalid("FILETIME out of range");
    const long long days = static_cast<long long>(ticks / kTicksPerDay) - kUnixEpochDays;
    const ULONGLONG inDay = ticks % kTicksPerDay;
    const CivilDate date = civilFromDays(days);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.year);
    st.wMonth = static_cast<WORD>(date.month);
    st.wDay = static_cast<WORD>(date.day);
    st.wDayOfWeek = weekdayOfDays(days);
    st.wHour = static_cast<WORD>(inDay / (3600 * kTicksPerSecond));
    st.wMinute = static_cast<WORD>(inDay / (60 * kTicksPerSecond) % 60);
    st.wSecond = static_cast<WORD>(inDay / kTicksPerSecond % 60);
    st.wMilliseconds = static_cast<WORD>(inDay / 10000 % 1000);
    return st;
}

ULONGLONG ticksOf(const SYSTEMTIME& st) {
    if (st.wYear < 1601 || st.wYear > 30827) invalid("year out of range");
    if (!isValidDate(st.wYear, st.wMonth, st.wDay)) invalid("no such date");
    if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999) invalid("no such time");
    const auto days = static_cast<ULONGLONG>(daysFromCivil({st.wYear, st.wMonth, st.wDay}) + kUnixEpochDays);
    const ULONGLONG seconds = st.wHour * 3600ull + st.wMinute * 60ull + st.wSecond;
    return days * kTicksPerDay + seconds * kTicksPerSecond + st.wMilliseconds * 10000ull;
}

long long currentLocalOffset() {
    tzset();
    const long long ticks = static_cast<long long>(clock::nowFileTime());
    const time_t unixSeconds = static_cast<time_t>(floorDiv(ticks, kTicksPerSecond) - kUnixEpochSeconds);
    tm local{};
    if (!localtime_r(&unixSeconds, &local)) throwErrno(ERROR_INVALID_PARAMETER, "localtime_r", errno);
    return static_cast<long long>(local.tm_gmtoff) * static_cast<long long>(kTicksPerSecond);
}

SYSTEMTIME localNow() {
    const long long offset = currentLocalOffset();
    return systemTimeOf(static_cast<ULONGLONG>(static_cast<long long>(clock::nowFileTime()) + offset));
}

ULONGLONG ticksOf(const timespec& ts) noexcept {
    const long long seconds = static_cast<long long>(ts.tv_sec) + kUnixEpochSeconds;
    if (seconds < 0) return 0;
    return static_cast<ULONGLONG>(seconds) * kTicksPerSecond + static_cast<ULONGLONG>(ts.tv_nsec) / 100u;
}

timespec timespecOf(ULONGLONG ticks) noexcept {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(static_cast<long long>(ticks / kTicksPerSecond) - kUnixEpochSeconds);
    ts.tv_nsec = static_cast<long>(ticks % kTicksPerSecond * 100u);
    return ts;
}

}  // namespace platform::calendar

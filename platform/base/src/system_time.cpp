// The clock as SYSTEMTIME and FILETIME, conversions between them, local file
// times and the FAT/DOS date and time words.
#include "calendar.h"
#include "platform/boundary.h"
#include "platform/clock.h"
#include "required.h"
#include "win32/datetime.h"

using namespace platform;
using namespace platform::calendar;

namespace {

// DOS words hold years 1980 to 2107 (seven bits) and seconds in pairs.
constexpr int kDosFirstYear = 1980;
constexpr int kDosLastYear = kDosFirstYear + 127;

FILETIME shifted(const FILETIME& ft, long long offset) {
    const long long ticks = static_cast<long long>(ticksOf(ft)) + offset;
    if (ticks < 0 || static_cast<ULONGLONG>(ticks) > kMaxTicks)
        throw WinError(ERROR_INVALID_PARAMETER, "local time out of range");
    return fileTimeOf(static_cast<ULONGLONG>(ticks));
}

// A clock fixed by a test beyond the convertible range gives zeros.
template <class Now>
void fillNow(LPSYSTEMTIME out, Now now) noexcept {
    if (!out) return;
    try {
        *out = now();
    } catch (...) {
        *out = SYSTEMTIME{};
    }
}

}  // namespace

void GetSystemTime(LPSYSTEMTIME lpSystemTime) noexcept {
    fillNow(lpSystemTime, [] { return systemTimeOf(clock::nowFileTime()); });
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) noexcept { fillNow(lpSystemTime, localNow); }

void GetSystemTimeAsFileTime(LPFILETIME lpFileTime) noexcept {
    if (lpFileTime) *lpFileTime = fileTimeOf(clock::nowFileTime());
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) noexcept {
    return winBool([&] {
        required(lpFileTime) = fileTimeOf(ticksOf(required(lpSystemTime)));
        return true;
    });
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) noexcept {
    return winBool([&] {
        required(lpSystemTime) = systemTimeOf(ticksOf(required(lpFileTime)));
        return true;
    });
}

// Both directions use the offset in force now, not the one of the converted
// instant, as Windows does.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) noexcept {
    return winBool([&] {
        required(lpLocalFileTime) = shifted(required(lpFileTime), currentLocalOffset());
        return true;
    });
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) noexcept {
    return winBool([&] {
        required(lpFileTime) = shifted(required(lpLocalFileTime), -currentLocalOffset());
        return true;
    });
}

// A missing time counts as 0.
LONG CompareFileTime(const FILETIME* a, const FILETIME* b) noexcept {
    const ULONGLONG x = a ? ticksOf(*a) : 0;
    const ULONGLONG y = b ? ticksOf(*b) : 0;
    return x < y ? -1 : (x > y ? 1 : 0);
}

BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, WORD* lpFatDate, WORD* lpFatTime) noexcept {
    return winBool([&] {
        const SYSTEMTIME st = systemTimeOf(ticksOf(required(lpFileTime)));
        if (st.wYear < kDosFirstYear || st.wYear > kDosLastYear)
            throw WinError(ERROR_INVALID_PARAMETER, "year outside the DOS range");
        WORD& date = required(lpFatDate);
        WORD& time = required(lpFatTime);
        date = static_cast<WORD>(((st.wYear - kDosFirstYear) << 9) | (st.wMonth << 5) | st.wDay);
        time = static_cast<WORD>((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
        return true;
    });
}

BOOL DosDateTimeToFileTime(WORD wFatDate, WORD wFatTime, LPFILETIME lpFileTime) noexcept {
    return winBool([&] {
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(kDosFirstYear + (wFatDate >> 9));
        st.wMonth = static_cast<WORD>((wFatDate >> 5) & 0x0F);
        st.wDay = static_cast<WORD>(wFatDate & 0x1F);
        st.wHour = static_cast<WORD>(wFatTime >> 11);
        st.wMinute = static_cast<WORD>((wFatTime >> 5) & 0x3F);
        st.wSecond = static_cast<WORD>((wFatTime & 0x1F) * 2);
        required(lpFileTime) = fileTimeOf(ticksOf(st));  // refuses month 0, 30 February, hour 24...
        return true;
    });
}

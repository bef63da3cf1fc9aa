// OLE Automation dates: days since 1899-12-30 with the time of day as the
// fraction. Before that day the value is negative, yet its fraction still
// counts forward from midnight: 1899-12-29 06:00 is -1.25, not -0.75.
// Years 100 to 9999; times carry whole seconds (milliseconds are dropped
// on the way in and the way out rounds to the nearest second), as on Windows.
#include <cmath>

#include "calendar.h"
#include "platform/boundary.h"
#include "required.h"
#include "win32/datetime.h"

using namespace platform;
using namespace platform::calendar;

namespace {

const long long kOleEpochDays = daysFromCivil({1899, 12, 30});
constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

[[noreturn]] void invalid(const char* what) { throw WinError(ERROR_INVALID_PARAMETER, what); }

DATE variantOf(const SYSTEMTIME& st) {
    if (st.wYear < kFirstYear || st.wYear > kLastYear) invalid("year outside the OLE date range");
    if (!isValidDate(st.wYear, st.wMonth, st.wDay)) invalid("no such date");
    if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) invalid("no such time");
    const auto days = static_cast<double>(daysFromCivil({st.wYear, st.wMonth, st.wDay}) - kOleEpochDays);
    const double fraction = (st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond) / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

SYSTEMTIME systemTimeOfVariant(DATE v) {
    if (!(v > -657435.0 && v < 2958466.0)) invalid("OLE date out of range");  // also refuses NaN
    const double whole = std::trunc(v);
    const long long seconds = std::llround(std::fabs(v - whole) * 86400.0);
    const long long linear = static_cast<long long>(whole) * 86400 + seconds;  // seconds from 1899-12-30
    const long long dayOffset = linear >= 0 ? linear / 86400 : -((86399 - linear) / 86400);
    const long long inDay = linear - dayOffset * 86400;
    const long long days = kOleEpochDays + dayOffset;
    const CivilDate date = civilFromDays(days);
    if (date.year < kFirstYear || date.year > kLastYear) invalid("OLE date out of range");
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(date.year);
    st.wMonth = static_cast<WORD>(date.month);
    st.wDay = static_cast<WORD>(date.day);
    st.wDayOfWeek = weekdayOfDays(days);
    st.wHour = static_cast<WORD>(inDay / 3600);
    st.wMinute = static_cast<WORD>(inDay / 60 % 60);
    st.wSecond = static_cast<WORD>(inDay % 60);
    return st;
}

}  // namespace

INT SystemTimeToVariantTime(const SYSTEMTIME* lpSystemTime, DATE* pvtime) noexcept {
    return winBool([&] {
        required(pvtime) = variantOf(required(lpSystemTime));
        return true;
    });
}

INT VariantTimeToSystemTime(DATE vtime, LPSYSTEMTIME lpSystemTime) noexcept {
    return winBool([&] {
        required(lpSystemTime) = systemTimeOfVariant(vtime);
        return true;
    });
}

// What the date and time texts of each supported locale are made of: the
// default pictures and the names, as the Windows 7 locale data has them.
#pragma once

#include <array>
#include <string_view>

#include "win32/types.h"

namespace platform::locale {

struct LocaleData {
    LCID lcid;
    std::u16string_view shortDate;
    std::u16string_view longDate;
    std::u16string_view time;
    std::array<std::u16string_view, 12> months;
    std::array<std::u16string_view, 12> genitiveMonths;  // after a day number: "1. ledna"
    std::array<std::u16string_view, 12> abbreviatedMonths;
    std::array<std::u16string_view, 7> days;  // Sunday first, as SYSTEMTIME counts
    std::array<std::u16string_view, 7> abbreviatedDays;
    std::u16string_view am;
    std::u16string_view pm;
};

// PLATFORM_LOCALE, else the first of LC_ALL, LC_TIME, LANG that is not empty;
// a value beginning "cs", "sk" or "en" picks that locale, anything else
// (or nothing) gives cs-CZ. Read on every call.
const LocaleData& userLocale();
// The user's locale for LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT and the
// neutral 0; cs-CZ, sk-SK, en-US and the invariant locale by number, with
// any sort order. Others: WinError(ERROR_INVALID_PARAMETER).
const LocaleData& localeFor(LCID lcid);

}  // namespace platform::locale

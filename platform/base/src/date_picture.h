// The Windows format pictures of date and time texts: "d dd ddd dddd M MM
// MMM MMMM y yy yyyy g gg" for dates, "h hh H HH m mm s ss t tt" for times,
// text in single quotes ('' is one quote), anything else copied.
#pragma once

#include <string>
#include <string_view>

#include "locale_tables.h"

namespace platform::locale {

// The date must be valid; its day of the week is computed, not read.
std::u16string formatDate(const LocaleData& locale, const SYSTEMTIME& date, std::u16string_view picture);
// timeFlags: the TIME_ flags of GetTimeFormat. A field they remove takes the
// separator before it along (after it, for a leading field).
std::u16string formatTime(const LocaleData& locale, const SYSTEMTIME& time, std::u16string_view picture,
                          DWORD timeFlags);

}  // namespace platform::locale

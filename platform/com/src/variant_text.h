// Numbers and dates as the variant coercions read and write them, in the
// conventions of a locale (cs-CZ and sk-SK: decimal comma, day.month.year;
// en-US and others: decimal point, month/day/year).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32/oleauto.h"

namespace platform::com {

// Surrounding blanks allowed; sign, digits, one decimal separator, an
// optional exponent. Nothing else.
std::optional<double> parseNumber(std::u16string_view text, LCID lcid);
// Up to 15 significant digits, no trailing zeros.
std::u16string formatNumber(double value, LCID lcid);

// The locale's short date with an optional time ("31.12.2024 13:05:00"),
// ISO "2024-12-31 13:05:00", or a time alone.
std::optional<DATE> parseDate(std::u16string_view text, LCID lcid);
// The short date, followed by the time when it is not midnight; the time
// alone on day 0 (1899-12-30). Throws WinError(DISP_E_OVERFLOW) outside
// the OLE date range.
std::u16string formatDate(DATE value, LCID lcid);

}  // namespace platform::com

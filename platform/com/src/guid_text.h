// The text form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32/types.h"

namespace platform::com {

std::u16string guidText(const GUID& guid);
// With the braces, hex of either case; anything else is no GUID.
std::optional<GUID> parseGuid(std::u16string_view text);

}  // namespace platform::com

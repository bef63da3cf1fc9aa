// Decimal text of a hexadecimal number of any length, as certificate serial
// numbers are shown.
#pragma once

#include <string>
#include <string_view>

// The unsigned number that the hexadecimal digits (either case, leading
// zeros allowed, an optional "0x") write, in decimal without leading zeros.
// False, out untouched, for an empty text or any other character.
bool HexToDecimal(std::string_view hex, std::string& out);

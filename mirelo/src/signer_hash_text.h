// The text form of a digest that the signer shows and logs.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

// Upper-case hexadecimal, a blank after every second byte ("AB12 CD34").
std::string GroupedHex(const std::vector<BYTE>& digest);

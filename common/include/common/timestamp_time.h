// The generation time of a time-stamp token as a FILETIME.
#pragma once

#include <string>

#include "win32/datetime.h"

// "YYYYMMDDHHMMSS[.f[f[f]]]Z" (RFC 3161 2.4.2: UTC, a fraction without
// trailing zeros) as UTC; digits beyond milliseconds are dropped. Any other
// text gives the zero FILETIME, which means "no time".
FILETIME ParseGeneralizedTime(const std::string& text);

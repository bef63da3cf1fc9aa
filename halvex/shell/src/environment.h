// What the profile's environment selects: the renewal server the requests
// go to and the suffix of the main window's title.
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

struct Environment {
    std::u16string serverUrl;    // empty for an unknown environment
    std::u16string titleSuffix;  // empty in production
};

Environment EnvironmentOf(DWORD environment);

// "Halvex v" + the program's version + the environment's suffix.
std::u16string MainTitle(const std::u16string& fileVersion, const Environment& environment);

}  // namespace halvex

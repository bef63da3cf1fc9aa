// The program's string resources (its Czech string table).
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

// The string resource, empty when missing; the thread's last error is the
// same afterwards.
std::u16string LoadResString(UINT id);
// The string resource used as a format (Windows rules: %s is wide), cut to
// 1,022 characters.
std::u16string FormatResString(UINT id, ...);

}  // namespace halvex

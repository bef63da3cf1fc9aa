// Whole-string formatting with the rules of win32/format.h.
#pragma once

#include <cstdarg>
#include <string>

#include "win32/types.h"

namespace platform::text {

std::string vformat(const char* format, va_list args);
std::string format(const char* format, ...);
std::u16string vformat(const char16_t* format, va_list args);
std::u16string format(const char16_t* format, ...);

}  // namespace platform::text

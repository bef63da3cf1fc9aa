// Formatting with the Windows rules, cut to a number of characters.
#pragma once

#include <cstdarg>
#include <string>

namespace halvex {

std::u16string FormatBounded(const std::u16string& format, std::size_t limit, va_list args);

}  // namespace halvex

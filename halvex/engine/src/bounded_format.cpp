#include "bounded_format.h"

#include "platform/format.h"

namespace halvex {

std::u16string FormatBounded(const std::u16string& format, std::size_t limit, va_list args) {
    std::u16string text = platform::text::vformat(format.c_str(), args);
    if (text.size() > limit) text.resize(limit);
    return text;
}

}  // namespace halvex

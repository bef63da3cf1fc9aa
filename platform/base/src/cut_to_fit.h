// Copying text into a caller's buffer of fixed size, cut when it does not
// fit, as GetModuleFileName and LoadString do.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace platform {

// Copies as much of the text as fits in `room` characters together with the
// terminating NUL and returns the count copied, without the NUL. A UTF-16
// surrogate pair is never split. Nothing is written when room is 0.
template <class Char>
std::size_t cutToFit(std::basic_string_view<Char> text, Char* out, std::size_t room) {
    if (room == 0) return 0;
    std::size_t n = std::min(text.size(), room - 1);
    if constexpr (sizeof(Char) == 2) {
        if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    }
    std::copy_n(text.data(), n, out);
    out[n] = Char{};
    return n;
}

}  // namespace platform

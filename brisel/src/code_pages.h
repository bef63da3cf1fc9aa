// The 8-bit code pages a plain-text document may be signed in.
#pragma once

#include <array>
#include <cstdint>

namespace brisel {

// The conversion mode the host sets: the numbers are the host's.
enum class CodePage : std::uint32_t {
    None = 0,  // the document is taken as it is
    Cp852 = 1,
    Windows1250 = 2,
    Iso8859_2 = 3,
};

// Code points of the bytes 0x80 to 0xFF; 0 is an undefined byte.
using HighHalf = std::array<char16_t, 128>;

// The table of an 8-bit code page, or null for None and unknown values.
const HighHalf* highHalfOf(CodePage codePage) noexcept;

}  // namespace brisel

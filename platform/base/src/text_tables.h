// Generated character data behind the code pages and the case mapping.
#pragma once

#include <array>
#include <cstdint>

namespace platform::text {

// UTF-16 units of the bytes 0x80 to 0xFF of each single-byte page.
extern const std::array<char16_t, 128> kWindows1250;
extern const std::array<char16_t, 128> kOem852;
extern const std::array<char16_t, 128> kIso8859_2;

struct CaseRange {
    char16_t first;
    char16_t last;
    std::uint8_t stride;  // 1: every unit in the range; 2: every other one
    std::int32_t delta;
};
extern const std::array<CaseRange, 86> kToLower;
extern const std::array<CaseRange, 113> kToUpper;

}  // namespace platform::text

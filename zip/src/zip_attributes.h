// Attribute converters between MS-DOS attributes and the form of the other
// host systems: a value leaves its system "from system" as MS-DOS bits and
// enters it "to system" from them.
#pragma once

#include <cstdint>

namespace zipattr {

inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;

// Hosts 0-10; code 119 for a host without a converter (1, 2, 4, 5, 8, 9, 10).
std::uint32_t convert(int system, std::uint32_t value, bool fromSystem);
// The Unix mode for MS-DOS attributes.
std::uint32_t unixModeOf(std::uint32_t attributes);

}  // namespace zipattr

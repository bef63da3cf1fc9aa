// The system palette (GetSysColor) as 0x00BBGGRR values, free of the
// Windows headers so the GTK side draws in the same colours.
#pragma once

#include <cstdint>

namespace platform::ui::palette {

inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kButtonFace = 0xF0F0F0;
inline constexpr std::uint32_t kButtonShadow = 0xA0A0A0;
inline constexpr std::uint32_t kWindow = 0xFFFFFF;
inline constexpr std::uint32_t kHighlight = 0xD77800;  // RGB(0, 120, 215)

}  // namespace platform::ui::palette

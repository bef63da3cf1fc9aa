// The frame around the wizard's pages: the window's title and size, the
// toolbar (Back, Refresh, Home, Help, Exit) with the images of the
// program's toolbar bitmap (normal, hot, disabled), the accelerators
// (Alt+X, F1, F5, Home) and the status panes (prompt, request, caps lock,
// num lock).
#pragma once

#include <string>

#include "platform/html_view.h"

namespace halvex {

// The panes' indexes among the status panes.
inline constexpr std::size_t kRequestPane = 1;
inline constexpr std::size_t kCapsLockPane = 2;
inline constexpr std::size_t kNumLockPane = 3;

platform::ui::HtmlViewOptions FrameLayout(const std::u16string& title);

}  // namespace halvex

// The frame around the wizard's pages: the window's title and size, the
// toolbar (Back, Refresh, Home, Help, Exit), the accelerators (Alt+X, F1,
// F5, Home) and the status panes (prompt, request).
#pragma once

#include <string>

#include "platform/html_view.h"

namespace halvex {

// The request pane's index among the status panes.
inline constexpr std::size_t kRequestPane = 1;

platform::ui::HtmlViewOptions FrameLayout(const std::u16string& title);

}  // namespace halvex

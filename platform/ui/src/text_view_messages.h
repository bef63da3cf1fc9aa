// The answers of a text-view control (win32/text_view.h) to its zoom and
// print messages.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dialog_session.h"
#include "win32/text_view.h"

namespace platform::ui {

// Nothing for another message. textOf turns the job name's pointer (ANSI
// or UTF-16 as the message says) into UTF-8.
std::optional<LRESULT> textViewAnswer(ControlState& view, UINT message, WPARAM wParam, LPARAM lParam, bool wide,
                                      const std::function<std::string(LPARAM text, bool wide)>& textOf);

}  // namespace platform::ui

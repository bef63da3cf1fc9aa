// The progress bar's answers to its messages (win32/commctrl.h).
#pragma once

#include <optional>

#include "platform/dialog_session.h"
#include "win32/types.h"

namespace platform::ui {

// Nothing for a message the progress bar does not know.
std::optional<LRESULT> progressAnswer(ControlState& bar, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::ui

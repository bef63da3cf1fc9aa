// The answers of a list view to the LVM_ messages of win32/commctrl.h:
// its columns, its rows and the one row selected.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dialog_session.h"
#include "win32/commctrl.h"

namespace platform::ui {

// Nothing for another message. textOf turns a UTF-16 text pointer into
// UTF-8.
std::optional<LRESULT> listViewAnswer(ControlState& list, UINT message, WPARAM wParam, LPARAM lParam,
                                      const std::function<std::string(LPARAM text, bool wide)>& textOf);

}  // namespace platform::ui

// The answers of an extended combo box to CBEM_INSERTITEMA/W
// (win32/commctrl.h): its items are the rows of a drop-down list.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include "platform/dialog_session.h"
#include "win32/commctrl.h"

namespace platform::ui {

// Nothing for another message. An item inserted above the selected one
// moves it down with its row. textOf turns the item's text pointer (ANSI
// or UTF-16 as the message says) into UTF-8.
std::optional<LRESULT> comboBoxExAnswer(ControlState& combo, UINT message, LPARAM lParam,
                                        const std::function<std::string(LPARAM text, bool wide)>& textOf);

}  // namespace platform::ui

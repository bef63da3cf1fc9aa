// The answers of a tree-view control to TVM_INSERTITEMA/W and TVM_EXPAND
// (win32/commctrl.h). An item's handle is its index among the control's
// items plus one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_tree_items.h"
#include "win32/commctrl.h"

namespace platform::ui {

// Nothing for another message. textOf turns an item's text pointer (ANSI
// or UTF-16 as the message says) into UTF-8.
std::optional<LRESULT> treeViewAnswer(std::vector<TreeItem>& items, UINT message, WPARAM wParam, LPARAM lParam,
                                      const std::function<std::string(LPARAM text, bool wide)>& textOf);

}  // namespace platform::ui

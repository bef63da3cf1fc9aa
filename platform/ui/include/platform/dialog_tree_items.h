// The items of a tree-view control as its dialog keeps them: in insertion
// order, each naming its parent, so that a parent always comes before its
// children. Free of the Windows headers, so the GTK side can read them too.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

struct TreeItem {
    std::string text;
    std::optional<std::size_t> parent;  // index of the parent item; none at the top level
    bool expanded = false;              // its children are shown
};

// The children of each item in order, and at the end those of the top
// level: the tree as it is shown.
inline std::vector<std::vector<std::size_t>> childLists(const std::vector<TreeItem>& items) {
    std::vector<std::vector<std::size_t>> lists(items.size() + 1);
    for (std::size_t i = 0; i < items.size(); ++i) lists[items[i].parent.value_or(items.size())].push_back(i);
    return lists;
}

}  // namespace platform::ui

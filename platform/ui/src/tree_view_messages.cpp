#include "tree_view_messages.h"

#include <cstdint>

namespace platform::ui {

namespace {

// The index of the item a handle names; none for TVI_ROOT, null or a
// handle of no item, which `valid` tells apart.
struct ItemRef {
    bool valid = false;
    std::optional<std::size_t> index;
};

ItemRef itemOf(const std::vector<TreeItem>& items, HTREEITEM handle, bool rootAllowed) {
    if (!handle || handle == TVI_ROOT) return {rootAllowed, std::nullopt};
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value == 0 || value > items.size()) return {};
    return {true, value - 1};
}

HTREEITEM handleOf(std::size_t index) { return reinterpret_cast<HTREEITEM>(static_cast<std::uintptr_t>(index + 1)); }

template <class Insert>
LRESULT insert(std::vector<TreeItem>& items, const Insert* request, std::string text) {
    if (!request || request->hInsertAfter != TVI_LAST) return 0;
    const auto parent = itemOf(items, request->hParent, true);
    if (!parent.valid) return 0;
    if (!(request->item.mask & TVIF_TEXT)) text.clear();
    items.push_back(TreeItem{std::move(text), parent.index, false});
    return reinterpret_cast<LRESULT>(handleOf(items.size() - 1));
}

}  // namespace

std::optional<LRESULT> treeViewAnswer(std::vector<TreeItem>& items, UINT message, WPARAM wParam, LPARAM lParam,
                                      const std::function<std::string(LPARAM text, bool wide)>& textOf) {
    switch (message) {
    case TVM_INSERTITEMA: {
        const auto* request = reinterpret_cast<const TVINSERTSTRUCTA*>(lParam);
        return insert(items, request, request ? textOf(reinterpret_cast<LPARAM>(request->item.pszText), false) : "");
    }
    case TVM_INSERTITEMW: {
        const auto* request = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
        return insert(items, request, request ? textOf(reinterpret_cast<LPARAM>(request->item.pszText), true) : "");
    }
    case TVM_EXPAND: {
        const auto item = itemOf(items, reinterpret_cast<HTREEITEM>(lParam), false);
        if (!item.index) return FALSE;
        bool& expanded = items[*item.index].expanded;
        switch (wParam & 0x3) {
        case TVE_COLLAPSE: expanded = false; break;
        case TVE_EXPAND: expanded = true; break;
        case TVE_TOGGLE: expanded = !expanded; break;
        default: return FALSE;
        }
        return TRUE;
    }
    default: return std::nullopt;
    }
}

}  // namespace platform::ui

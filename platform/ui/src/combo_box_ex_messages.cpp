#include "combo_box_ex_messages.h"

#include <iterator>

namespace platform::ui {

namespace {

// The row the item goes to, or nothing for a place past the end.
template <class Item>
std::optional<std::size_t> placeOf(const Item& item, std::size_t count) {
    if (item.iItem == -1) return count;
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) > count) return std::nullopt;
    return static_cast<std::size_t>(item.iItem);
}

template <class Item>
LRESULT insert(ControlState& combo, const Item* item, bool wide,
               const std::function<std::string(LPARAM text, bool wide)>& textOf) {
    if (!item) return CB_ERR;
    auto& items = combo.items;
    const auto place = placeOf(*item, items.size());
    if (!place) return CB_ERR;
    const bool hasText = (item->mask & CBEIF_TEXT) && item->pszText;
    items.insert(std::next(items.begin(), static_cast<std::ptrdiff_t>(*place)),
                 hasText ? textOf(reinterpret_cast<LPARAM>(item->pszText), wide) : std::string());
    if (combo.selection >= 0 && static_cast<std::size_t>(combo.selection) >= *place) ++combo.selection;
    return static_cast<LRESULT>(*place);
}

}  // namespace

std::optional<LRESULT> comboBoxExAnswer(ControlState& combo, UINT message, LPARAM lParam,
                                        const std::function<std::string(LPARAM text, bool wide)>& textOf) {
    switch (message) {
    case CBEM_INSERTITEMA: return insert(combo, reinterpret_cast<const COMBOBOXEXITEMA*>(lParam), false, textOf);
    case CBEM_INSERTITEMW: return insert(combo, reinterpret_cast<const COMBOBOXEXITEMW*>(lParam), true, textOf);
    case CB_ADDSTRING: return CB_ERR;
    default: return std::nullopt;
    }
}

}  // namespace platform::ui

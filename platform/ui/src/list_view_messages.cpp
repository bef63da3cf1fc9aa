#include "list_view_messages.h"

#include <algorithm>
#include <iterator>

namespace platform::ui {

namespace {

using TextOf = std::function<std::string(LPARAM text, bool wide)>;

std::string textOfItem(LPWSTR text, const TextOf& textOf) { return textOf(reinterpret_cast<LPARAM>(text), true); }

// A place from 0, past the end (or negative) meaning the end.
std::size_t placeOf(std::ptrdiff_t place, std::size_t count) {
    return place < 0 || static_cast<std::size_t>(place) > count ? count : static_cast<std::size_t>(place);
}

bool isRow(const ControlState& list, WPARAM row) {
    const int index = static_cast<int>(row);
    return index >= 0 && static_cast<std::size_t>(index) < list.rows.size();
}

LRESULT insertColumn(ControlState& list, WPARAM place, const LVCOLUMNW* column, const TextOf& textOf) {
    if (!column) return -1;
    ListViewColumn added;
    if (column->mask & LVCF_TEXT) added.title = textOfItem(column->pszText, textOf);
    if (column->mask & LVCF_WIDTH) added.width = std::max(0, column->cx);
    const std::size_t at = placeOf(static_cast<int>(place), list.columns.size());
    list.columns.insert(std::next(list.columns.begin(), static_cast<std::ptrdiff_t>(at)), std::move(added));
    return static_cast<LRESULT>(at);
}

void applyState(ControlState& list, int row, const LVITEMW& item) {
    if (!(item.stateMask & LVIS_SELECTED)) return;
    if (item.state & LVIS_SELECTED)
        list.selection = row;
    else if (list.selection == row)
        list.selection = -1;
}

LRESULT insertRow(ControlState& list, const LVITEMW* item, const TextOf& textOf) {
    if (!item || item->iSubItem != 0) return -1;
    const std::size_t at = placeOf(item->iItem, list.rows.size());
    std::vector<std::string> cells(std::max<std::size_t>(list.columns.size(), 1));
    if ((item->mask & LVIF_TEXT) && item->pszText) cells[0] = textOfItem(item->pszText, textOf);
    list.rows.insert(std::next(list.rows.begin(), static_cast<std::ptrdiff_t>(at)), std::move(cells));
    if (list.selection >= 0 && static_cast<std::size_t>(list.selection) >= at) ++list.selection;
    if (item->mask & LVIF_STATE) applyState(list, static_cast<int>(at), *item);
    return static_cast<LRESULT>(at);
}

LRESULT setCell(ControlState& list, WPARAM row, const LVITEMW* item, const TextOf& textOf) {
    if (!item || !isRow(list, row) || item->iSubItem < 0 ||
        static_cast<std::size_t>(item->iSubItem) >= std::max<std::size_t>(list.columns.size(), 1))
        return FALSE;
    auto& cells = list.rows[row];
    if (cells.size() <= static_cast<std::size_t>(item->iSubItem)) cells.resize(item->iSubItem + 1);
    cells[item->iSubItem] = item->pszText ? textOfItem(item->pszText, textOf) : std::string();
    return TRUE;
}

LRESULT setState(ControlState& list, WPARAM row, const LVITEMW* item) {
    if (!item) return FALSE;
    if (static_cast<int>(row) == -1) {
        if ((item->stateMask & LVIS_SELECTED) && !(item->state & LVIS_SELECTED)) list.selection = -1;
        return TRUE;
    }
    if (!isRow(list, row)) return FALSE;
    applyState(list, static_cast<int>(row), *item);
    return TRUE;
}

LRESULT nextRow(const ControlState& list, WPARAM after, LPARAM flags) {
    const int from = static_cast<int>(after) + 1;
    if (from < 0 || static_cast<std::size_t>(from) >= list.rows.size()) return -1;
    if (flags & LVNI_SELECTED) return list.selection >= from ? list.selection : -1;
    return from;
}

}  // namespace

std::optional<LRESULT> listViewAnswer(ControlState& list, UINT message, WPARAM wParam, LPARAM lParam,
                                      const TextOf& textOf) {
    switch (message) {
    case LVM_GETITEMCOUNT: return static_cast<LRESULT>(list.rows.size());
    case LVM_GETNEXTITEM: return nextRow(list, wParam, lParam);
    case LVM_SETITEMSTATE: return setState(list, wParam, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const auto mask = wParam ? static_cast<std::uint32_t>(wParam) : ~std::uint32_t{0};
        const std::uint32_t before = list.extendedStyle;
        list.extendedStyle = (before & ~mask) | (static_cast<std::uint32_t>(lParam) & mask);
        return static_cast<LRESULT>(before);
    }
    case LVM_INSERTITEMW: return insertRow(list, reinterpret_cast<const LVITEMW*>(lParam), textOf);
    case LVM_INSERTCOLUMNW: return insertColumn(list, wParam, reinterpret_cast<const LVCOLUMNW*>(lParam), textOf);
    case LVM_SETITEMTEXTW: return setCell(list, wParam, reinterpret_cast<const LVITEMW*>(lParam), textOf);
    default: return std::nullopt;
    }
}

}  // namespace platform::ui

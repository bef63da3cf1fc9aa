#include "gtk_list_view.h"

#include <string>
#include <vector>

#include "gtk_text_table.h"

namespace platform::ui::gtk {

namespace {

constexpr const char* kShownKey = "tesk-list-view";

// What the current table shows, which its cells read: owned by the list.
struct Shown {
    std::vector<ListViewColumn> columns;
    std::vector<std::vector<std::string>> rows;
    TextTable table;
    RowSelected onSelected = nullptr;
    gpointer data = nullptr;
    bool showing = false;  // a selection made by showListView, not the user
};

void freeShown(gpointer shown) { delete static_cast<Shown*>(shown); }

Shown* shownOf(GtkWidget* list) { return static_cast<Shown*>(g_object_get_data(G_OBJECT(list), kShownKey)); }

bool sameColumns(const std::vector<ListViewColumn>& a, const std::vector<ListViewColumn>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].title != b[i].title || a[i].width != b[i].width) return false;
    return true;
}

bool holdsFocus(GtkWidget* widget) {
    GtkRoot* root = gtk_widget_get_root(widget);
    GtkWidget* focus = root ? gtk_root_get_focus(root) : nullptr;
    return focus && (focus == widget || gtk_widget_is_ancestor(focus, widget));
}

void onSelectionChanged(GObject*, GParamSpec*, gpointer data) {
    auto* shown = static_cast<Shown*>(data);
    if (shown->showing) return;
    if (const auto row = selectedRow(shown->table)) shown->onSelected(static_cast<int>(*row), shown->data);
}

// A new table of the shown columns and rows in the list's place.
void makeTable(GtkWidget* list, Shown& shown) {
    std::vector<std::string> titles;
    std::vector<int> widths;
    for (const auto& column : shown.columns) {
        titles.push_back(column.title);
        widths.push_back(column.width);
    }
    shown.table = columnTable(titles, shown.rows, widths);
    // The selection is the control's: none until it sets one.
    gtk_single_selection_set_autoselect(shown.table.selection, FALSE);
    gtk_single_selection_set_can_unselect(shown.table.selection, TRUE);
    gtk_single_selection_set_selected(shown.table.selection, GTK_INVALID_LIST_POSITION);
    g_signal_connect(shown.table.selection, "notify::selected", G_CALLBACK(onSelectionChanged), &shown);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(list), shown.table.widget);
}

}  // namespace

GtkWidget* newListView() {
    GtkWidget* list = gtk_scrolled_window_new();
    gtk_scrolled_window_set_has_frame(GTK_SCROLLED_WINDOW(list), TRUE);
    g_object_set_data_full(G_OBJECT(list), kShownKey, new Shown, freeShown);
    return list;
}

void showListView(GtkWidget* list, const ControlState& c, RowSelected onSelected, gpointer data) {
    Shown& shown = *shownOf(list);
    shown.onSelected = onSelected;
    shown.data = data;
    shown.showing = true;
    if (!shown.table.view || !sameColumns(shown.columns, c.columns) || shown.rows != c.rows) {
        const bool focused = shown.table.view && holdsFocus(GTK_WIDGET(shown.table.view));
        shown.columns = c.columns;
        shown.rows = c.rows;
        makeTable(list, shown);
        if (focused) focusRows(shown.table.view);
    }
    if (c.selection >= 0)
        selectRow(shown.table, static_cast<std::size_t>(c.selection));
    else
        gtk_single_selection_set_selected(shown.table.selection, GTK_INVALID_LIST_POSITION);
    shown.showing = false;
}

void focusListRows(GtkWidget* list) {
    if (const Shown* shown = shownOf(list); shown && shown->table.view) focusRows(shown->table.view);
}

}  // namespace platform::ui::gtk

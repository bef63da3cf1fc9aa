#include "gtk_text_table.h"

#include <string>

namespace platform::ui::gtk {

namespace {

struct Column {
    const std::vector<std::vector<std::string>>* rows;
    std::size_t index;
};

std::size_t rowOf(GObject* item) { return std::stoul(gtk_string_object_get_string(GTK_STRING_OBJECT(item))); }

void onSetupCell(GtkSignalListItemFactory*, GtkListItem* item, gpointer) {
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_list_item_set_child(item, label);
}

void onBindCell(GtkSignalListItemFactory*, GtkListItem* item, gpointer data) {
    const auto* column = static_cast<const Column*>(data);
    const auto& row = column->rows->at(rowOf(G_OBJECT(gtk_list_item_get_item(item))));
    const std::string& text = column->index < row.size() ? row[column->index] : std::string();
    gtk_label_set_text(GTK_LABEL(gtk_list_item_get_child(item)), text.c_str());
}

void freeColumn(gpointer data, GClosure*) { delete static_cast<Column*>(data); }

gboolean focusWhenMapped(gpointer view) {
    if (gtk_widget_get_mapped(GTK_WIDGET(view))) gtk_widget_child_focus(GTK_WIDGET(view), GTK_DIR_TAB_FORWARD);
    return G_SOURCE_REMOVE;
}

void focusAfterFrame(GtkWidget* view) {
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, focusWhenMapped, g_object_ref(view), g_object_unref);
}

void onMapFocus(GtkWidget* view, gpointer) {
    g_signal_handlers_disconnect_by_func(view, reinterpret_cast<gpointer>(onMapFocus), nullptr);
    focusAfterFrame(view);
}

}  // namespace

TextTable columnTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                      const std::vector<int>& widths) {
    GtkStringList* model = gtk_string_list_new(nullptr);
    for (std::size_t i = 0; i < rows.size(); ++i) gtk_string_list_append(model, std::to_string(i).c_str());
    TextTable table;
    table.selection = gtk_single_selection_new(G_LIST_MODEL(model));
    table.view = GTK_COLUMN_VIEW(gtk_column_view_new(GTK_SELECTION_MODEL(table.selection)));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        GtkListItemFactory* cells = gtk_signal_list_item_factory_new();
        g_signal_connect(cells, "setup", G_CALLBACK(onSetupCell), nullptr);
        g_signal_connect_data(cells, "bind", G_CALLBACK(onBindCell), new Column{&rows, i}, freeColumn, GConnectFlags(0));
        GtkColumnViewColumn* column = gtk_column_view_column_new(columns[i].c_str(), cells);
        gtk_column_view_column_set_resizable(column, TRUE);
        if (i < widths.size()) gtk_column_view_column_set_fixed_width(column, widths[i]);
        gtk_column_view_append_column(table.view, column);
        g_object_unref(column);
    }
    table.widget = GTK_WIDGET(table.view);
    return table;
}

TextTable textTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows) {
    TextTable table = columnTable(columns, rows, {});
    table.widget = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(table.widget), GTK_WIDGET(table.view));
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(table.widget), 180);
    gtk_scrolled_window_set_min_content_width(GTK_SCROLLED_WINDOW(table.widget), 640);
    gtk_widget_set_vexpand(table.widget, TRUE);
    return table;
}

void focusRows(GtkColumnView* view) {
    GtkWidget* widget = GTK_WIDGET(view);
    if (gtk_widget_get_mapped(widget))
        focusAfterFrame(widget);
    else
        g_signal_connect(widget, "map", G_CALLBACK(onMapFocus), nullptr);
}

std::size_t rowAt(const TextTable& table, guint position) {
    GObject* item = G_OBJECT(g_list_model_get_item(G_LIST_MODEL(table.selection), position));
    const std::size_t row = rowOf(item);
    g_object_unref(item);
    return row;
}

std::optional<std::size_t> selectedRow(const TextTable& table) {
    const guint position = gtk_single_selection_get_selected(table.selection);
    if (position == GTK_INVALID_LIST_POSITION) return std::nullopt;
    return rowAt(table, position);
}

void selectRow(const TextTable& table, std::size_t row) {
    const guint count = g_list_model_get_n_items(G_LIST_MODEL(table.selection));
    for (guint position = 0; position < count; ++position)
        if (rowAt(table, position) == row) gtk_single_selection_set_selected(table.selection, position);
}

void removeSelectedRow(const TextTable& table) {
    const guint position = gtk_single_selection_get_selected(table.selection);
    if (position == GTK_INVALID_LIST_POSITION) return;
    gtk_string_list_remove(GTK_STRING_LIST(gtk_single_selection_get_model(table.selection)), position);
}

}  // namespace platform::ui::gtk

// A table of texts as the GTK windows show lists of certificates: a row per
// entry of `rows`, its cells under the column titles, one row selected.
// Rows keep their index in `rows` when others are taken out.
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <string>
#include <vector>

namespace platform::ui::gtk {

struct TextTable {
    GtkWidget* widget = nullptr;  // scrolled, to be packed
    GtkColumnView* view = nullptr;
    GtkSingleSelection* selection = nullptr;
};

// `rows` must outlive the widget.
TextTable textTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows);
// The index in `rows` of the selected row, or nothing.
std::optional<std::size_t> selectedRow(const TextTable& table);
// The index in `rows` of the row at a position of the table.
std::size_t rowAt(const TextTable& table, guint position);
void selectRow(const TextTable& table, std::size_t row);
void removeSelectedRow(const TextTable& table);

}  // namespace platform::ui::gtk

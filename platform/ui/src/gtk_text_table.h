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
    GtkWidget* widget = nullptr;  // to be packed: the view, or the view scrolled
    GtkColumnView* view = nullptr;
    GtkSingleSelection* selection = nullptr;
};

// A table for a window of its own, scrolled, at least 640 pixels wide
// and 180 high, each column as wide as its texts. `rows` must outlive the
// widget.
TextTable textTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows);
// The view alone, for a place of its own; `widths`, from the left, fix
// columns' widths in pixels, the others fit their texts.
TextTable columnTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                      const std::vector<int>& widths);
// Puts the keyboard on the view's rows (its focused row, the first at
// start) once they are shown, so that Down goes to the next row. The rows
// exist only once the view is laid out: after the frame that maps it,
// which an idle callback follows.
void focusRows(GtkColumnView* view);
// The index in `rows` of the selected row, or nothing.
std::optional<std::size_t> selectedRow(const TextTable& table);
// The index in `rows` of the row at a position of the table.
std::size_t rowAt(const TextTable& table, guint position);
void selectRow(const TextTable& table, std::size_t row);
void removeSelectedRow(const TextTable& table);

}  // namespace platform::ui::gtk

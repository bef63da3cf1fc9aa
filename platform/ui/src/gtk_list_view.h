// A list-view control of a template dialog in GTK: its rows as a table of
// texts (gtk_text_table.h) under its columns at their widths in pixels,
// in a framed scrolled window; the whole row selected, by a click or the
// keyboard.
#pragma once

#include <gtk/gtk.h>

#include "platform/dialog_session.h"

namespace platform::ui::gtk {

// Called with the row the user selected.
using RowSelected = void (*)(int row, gpointer data);

// An empty list view, to be placed.
GtkWidget* newListView();
// Shows the control's columns, rows and selected row: a new table when
// its columns or rows changed. The table tells onSelected of the user's
// selections (not of those shown here).
void showListView(GtkWidget* list, const ControlState& c, RowSelected onSelected, gpointer data);
// Puts the keyboard on the list's rows (gtk_text_table.h's focusRows).
void focusListRows(GtkWidget* list);

}  // namespace platform::ui::gtk

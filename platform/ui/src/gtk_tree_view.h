// A tree-view control as a GTK list view over a tree model: each item with
// an expander a person can open and close.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "platform/dialog_tree_items.h"

namespace platform::ui::gtk {

// An empty list view.
GtkWidget* newTreeView();
// Shows these items in place of those shown, the expanded ones open.
void showTreeItems(GtkWidget* view, const std::vector<TreeItem>& items);

}  // namespace platform::ui::gtk

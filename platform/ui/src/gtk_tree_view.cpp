#include "gtk_tree_view.h"

#include <cstddef>

namespace platform::ui::gtk {

namespace {

constexpr const char* kIndexKey = "tesk-tree-item";

// What the model asks for when a row opens: the items and their children.
struct TreeData {
    std::vector<TreeItem> items;
    std::vector<std::vector<std::size_t>> children;
};

void freeTreeData(gpointer data) { delete static_cast<TreeData*>(data); }

std::size_t indexOf(gpointer object) {
    return GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(object), kIndexKey)) - 1;
}

GListModel* storeOf(const TreeData& data, const std::vector<std::size_t>& indices) {
    GListStore* store = g_list_store_new(GTK_TYPE_STRING_OBJECT);
    for (const std::size_t i : indices) {
        GtkStringObject* object = gtk_string_object_new(data.items[i].text.c_str());
        g_object_set_data(G_OBJECT(object), kIndexKey, GSIZE_TO_POINTER(i + 1));
        g_list_store_append(store, object);
        g_object_unref(object);
    }
    return G_LIST_MODEL(store);
}

GListModel* childrenOf(gpointer item, gpointer user) {
    const auto& data = *static_cast<const TreeData*>(user);
    const auto& children = data.children[indexOf(item)];
    return children.empty() ? nullptr : storeOf(data, children);
}

void onSetup(GtkSignalListItemFactory*, GObject* item, gpointer) {
    GtkWidget* expander = gtk_tree_expander_new();
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_tree_expander_set_child(GTK_TREE_EXPANDER(expander), label);
    gtk_list_item_set_child(GTK_LIST_ITEM(item), expander);
}

void onBind(GtkSignalListItemFactory*, GObject* item, gpointer) {
    auto* row = GTK_TREE_LIST_ROW(gtk_list_item_get_item(GTK_LIST_ITEM(item)));
    auto* expander = GTK_TREE_EXPANDER(gtk_list_item_get_child(GTK_LIST_ITEM(item)));
    gtk_tree_expander_set_list_row(expander, row);
    gpointer object = gtk_tree_list_row_get_item(row);
    gtk_label_set_text(GTK_LABEL(gtk_tree_expander_get_child(expander)),
                       gtk_string_object_get_string(GTK_STRING_OBJECT(object)));
    g_object_unref(object);
}

// Opens the rows of expanded items, top down, so that an opened row's
// children are met after it.
void openExpanded(GtkTreeListModel* model, const std::vector<TreeItem>& items) {
    for (guint r = 0; r < g_list_model_get_n_items(G_LIST_MODEL(model)); ++r) {
        GtkTreeListRow* row = gtk_tree_list_model_get_row(model, r);
        gpointer object = gtk_tree_list_row_get_item(row);
        if (items[indexOf(object)].expanded) gtk_tree_list_row_set_expanded(row, TRUE);
        g_object_unref(object);
        g_object_unref(row);
    }
}

}  // namespace

GtkWidget* newTreeView() {
    GtkListItemFactory* factory = gtk_signal_list_item_factory_new();
    g_signal_connect(factory, "setup", G_CALLBACK(onSetup), nullptr);
    g_signal_connect(factory, "bind", G_CALLBACK(onBind), nullptr);
    return gtk_list_view_new(nullptr, factory);
}

void showTreeItems(GtkWidget* view, const std::vector<TreeItem>& items) {
    auto* data = new TreeData{items, childLists(items)};
    GListModel* top = storeOf(*data, data->children.back());
    GtkTreeListModel* model = gtk_tree_list_model_new(top, FALSE, FALSE, childrenOf, data, freeTreeData);
    openExpanded(model, items);
    GtkSelectionModel* selection = GTK_SELECTION_MODEL(gtk_single_selection_new(G_LIST_MODEL(model)));
    gtk_list_view_set_model(GTK_LIST_VIEW(view), selection);
    g_object_unref(selection);
}

}  // namespace platform::ui::gtk

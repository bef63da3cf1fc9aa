// The certificate manager as a GTK window: a tab per store with its list,
// "Zobrazit" (also Enter or a double click) and "Odebrat" for the selected
// row of the tab shown, "Zavřít" (also Escape and closing).
#include <vector>

#include "gtk_dialog_parts.h"
#include "gtk_text_table.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

struct Manager {
    const CertificateManagerRequest* request = nullptr;
    ModalRun run;
    CallerActions actions{run};
    GtkNotebook* tabs = nullptr;
    std::vector<TextTable> tables;
};

void view(Manager& manager, std::size_t tab, std::size_t row) {
    manager.actions.run([&] { manager.request->view(tab, row); });
}

void onView(GtkButton*, gpointer data) {
    auto& manager = *static_cast<Manager*>(data);
    const auto tab = static_cast<std::size_t>(gtk_notebook_get_current_page(manager.tabs));
    if (const auto row = selectedRow(manager.tables.at(tab))) view(manager, tab, *row);
}

void onRemove(GtkButton*, gpointer data) {
    auto& manager = *static_cast<Manager*>(data);
    const auto tab = static_cast<std::size_t>(gtk_notebook_get_current_page(manager.tabs));
    const auto row = selectedRow(manager.tables.at(tab));
    if (!row) return;
    manager.actions.run([&] {
        if (manager.request->remove(tab, *row)) removeSelectedRow(manager.tables[tab]);
    });
}

void onActivate(GtkColumnView* list, guint position, gpointer data) {
    auto& manager = *static_cast<Manager*>(data);
    for (std::size_t tab = 0; tab < manager.tables.size(); ++tab)
        if (manager.tables[tab].view == list) view(manager, tab, rowAt(manager.tables[tab], position));
}

}  // namespace

void showCertificateManager(const CertificateManagerRequest& request) {
    Manager manager;
    manager.request = &request;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.title.c_str());
    cancelOnClose(window, manager.run);

    manager.tabs = GTK_NOTEBOOK(gtk_notebook_new());
    gtk_notebook_set_scrollable(manager.tabs, TRUE);
    for (const auto& tab : request.tabs) {
        manager.tables.push_back(textTable(request.columns, tab.rows));
        g_signal_connect(manager.tables.back().view, "activate", G_CALLBACK(onActivate), &manager);
        gtk_notebook_append_page(manager.tabs, manager.tables.back().widget, gtk_label_new(tab.label.c_str()));
    }
    GtkWidget* content = contentBox(12);
    gtk_box_append(GTK_BOX(content), GTK_WIDGET(manager.tabs));
    GtkWidget* show = dialogButton("_Zobrazit", G_CALLBACK(onView), &manager);
    GtkWidget* close = cancelButton(manager.run);
    gtk_button_set_label(GTK_BUTTON(close), "Zavřít");
    gtk_box_append(GTK_BOX(content), buttonRow({show, dialogButton("_Odebrat", G_CALLBACK(onRemove), &manager), close}));
    gtk_window_set_child(window, content);
    if (!manager.tables.empty()) gtk_window_set_focus(window, GTK_WIDGET(manager.tables.front().view));
    pressOnEnter(window, show);

    manager.run.run(window);
    manager.actions.rethrow();
}

}  // namespace platform::ui::gtk

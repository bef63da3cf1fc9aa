// The certificate view as a GTK window: the pages "Obecné" (summary, the
// friendly name when it may be changed, installing into a store when
// offered), "Podrobnosti" (fields and extensions, the selected one's whole
// value below) and "Cesta k certifikátu" (from the root down, and the
// verdict) unless hidden. OK, Enter and Escape close it.
#include <vector>

#include "gtk_dialog_parts.h"
#include "gtk_text_table.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

struct View {
    const CertificateViewRequest* request = nullptr;
    ModalRun run;
    CallerActions actions{run};
    std::vector<std::vector<std::string>> detailRows;
    std::vector<std::vector<std::string>> pathRows;
    TextTable details;
    GtkTextBuffer* detailText = nullptr;
    GtkEntry* friendlyName = nullptr;
    GtkDropDown* store = nullptr;
    GtkLabel* outcome = nullptr;
};

GtkWidget* leftLabel(const std::string& text) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_selectable(GTK_LABEL(label), TRUE);
    return label;
}

void onSaveName(GtkButton*, gpointer data) {
    auto* view = static_cast<View*>(data);
    const std::string name = gtk_editable_get_text(GTK_EDITABLE(view->friendlyName));
    view->actions.run([&] {
        const bool done = view->request->setFriendlyName(name);
        gtk_label_set_text(view->outcome, done ? "Popisný název byl uložen." : "Popisný název nelze uložit.");
    });
}

void onInstall(GtkButton*, gpointer data) {
    auto* view = static_cast<View*>(data);
    const guint store = gtk_drop_down_get_selected(view->store);
    if (store == GTK_INVALID_LIST_POSITION) return;
    view->actions.run([&] {
        const bool done = view->request->addToStore(store);
        gtk_label_set_text(view->outcome, done ? "Certifikát byl nainstalován." : "Certifikát nelze nainstalovat.");
    });
}

void onFinish(GtkButton*, gpointer run) { static_cast<ModalRun*>(run)->finish(); }

GtkWidget* generalPage(View& view) {
    const auto& request = *view.request;
    GtkWidget* page = contentBox(8);
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    int row = 0;
    for (const auto& line : request.summary) {
        gtk_grid_attach(GTK_GRID(grid), leftLabel(line.name + ":"), 0, row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), leftLabel(line.value), 1, row++, 1, 1);
    }
    gtk_box_append(GTK_BOX(page), grid);
    if (request.setFriendlyName) {
        view.friendlyName = GTK_ENTRY(gtk_entry_new());
        gtk_editable_set_text(GTK_EDITABLE(view.friendlyName), request.friendlyName.c_str());
        gtk_widget_set_hexpand(GTK_WIDGET(view.friendlyName), TRUE);
        GtkWidget* label = gtk_label_new_with_mnemonic("_Popisný název:");
        gtk_label_set_mnemonic_widget(GTK_LABEL(label), GTK_WIDGET(view.friendlyName));
        GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
        gtk_box_append(GTK_BOX(line), label);
        gtk_box_append(GTK_BOX(line), GTK_WIDGET(view.friendlyName));
        gtk_box_append(GTK_BOX(line), dialogButton("_Uložit", G_CALLBACK(onSaveName), &view));
        gtk_box_append(GTK_BOX(page), line);
    }
    if (request.addToStore) {
        std::vector<const char*> labels;
        for (const auto& store : request.stores) labels.push_back(store.label.c_str());
        labels.push_back(nullptr);
        view.store = GTK_DROP_DOWN(gtk_drop_down_new_from_strings(labels.data()));
        GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
        gtk_box_append(GTK_BOX(line), gtk_label_new("Úložiště:"));
        gtk_box_append(GTK_BOX(line), GTK_WIDGET(view.store));
        gtk_box_append(GTK_BOX(line), dialogButton("_Instalovat certifikát", G_CALLBACK(onInstall), &view));
        gtk_box_append(GTK_BOX(page), line);
    }
    view.outcome = GTK_LABEL(leftLabel(""));
    gtk_box_append(GTK_BOX(page), GTK_WIDGET(view.outcome));
    return page;
}

void onDetailSelected(GObject*, GParamSpec*, gpointer data) {
    auto* view = static_cast<View*>(data);
    const auto row = selectedRow(view->details);
    gtk_text_buffer_set_text(view->detailText, row ? view->detailRows[*row][1].c_str() : "", -1);
}

GtkWidget* detailsPage(View& view) {
    for (const auto* lines : {&view.request->fields, &view.request->extensions})
        for (const auto& line : *lines) view.detailRows.push_back({line.name, line.value});
    GtkWidget* page = contentBox(8);
    view.details = textTable({"Pole", "Hodnota"}, view.detailRows);
    gtk_box_append(GTK_BOX(page), view.details.widget);
    GtkWidget* text = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(text), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(text), GTK_WRAP_WORD_CHAR);
    view.detailText = gtk_text_view_get_buffer(GTK_TEXT_VIEW(text));
    GtkWidget* scrolled = gtk_scrolled_window_new();
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scrolled), text);
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(scrolled), 100);
    gtk_box_append(GTK_BOX(page), scrolled);
    g_signal_connect(view.details.selection, "notify::selected", G_CALLBACK(onDetailSelected), &view);
    onDetailSelected(nullptr, nullptr, &view);
    return page;
}

GtkWidget* pathPage(View& view) {
    for (const auto& line : view.request->path) view.pathRows.push_back({line.name, line.value});
    GtkWidget* page = contentBox(8);
    gtk_box_append(GTK_BOX(page), textTable({"Certifikát", "Stav"}, view.pathRows).widget);
    gtk_box_append(GTK_BOX(page), leftLabel("Stav certifikátu: " + view.request->pathStatus));
    return page;
}

}  // namespace

void showCertificateView(const CertificateViewRequest& request) {
    View view;
    view.request = &request;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.title.c_str());
    cancelOnClose(window, view.run);

    GtkWidget* notebook = gtk_notebook_new();
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), generalPage(view), gtk_label_new("Obecné"));
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), detailsPage(view), gtk_label_new("Podrobnosti"));
    if (request.showPath)
        gtk_notebook_append_page(GTK_NOTEBOOK(notebook), pathPage(view), gtk_label_new("Cesta k certifikátu"));
    GtkWidget* content = contentBox(12);
    gtk_box_append(GTK_BOX(content), notebook);
    GtkWidget* ok = dialogButton("OK", G_CALLBACK(onFinish), &view.run);
    gtk_box_append(GTK_BOX(content), buttonRow({ok}));
    gtk_window_set_child(window, content);
    gtk_window_set_focus(window, ok);
    pressOnEnter(window, ok);

    view.run.run(window);
    view.actions.rethrow();
}

}  // namespace platform::ui::gtk

// The choice of a certificate as a GTK window: the prompt, a table with a
// row per certificate and the caller's columns, OK (also Enter or a double
// click on a row), Storno (also Escape and closing) and, when the caller
// views certificates, "Zobrazit certifikát" for the selected row. The
// keyboard starts on the first row; the initial row starts selected.
#include "gtk_dialog_parts.h"
#include "gtk_text_table.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

struct Outcome {
    ModalRun run;
    CallerActions actions{run};
    TextTable table;
    std::function<void(std::size_t)> view;
    std::optional<std::size_t> chosen;
};

void onOk(GtkButton*, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    outcome->chosen = selectedRow(outcome->table);
    if (outcome->chosen) outcome->run.finish();
}

void onView(GtkButton*, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    if (const auto row = selectedRow(outcome->table)) outcome->actions.run([&] { outcome->view(*row); });
}

void onActivate(GtkColumnView*, guint position, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    outcome->chosen = rowAt(outcome->table, position);
    outcome->run.finish();
}

// The rows exist only once the view is laid out: after the frame that
// maps it, which an idle callback follows.
gboolean focusFirstRow(gpointer view) {
    if (gtk_widget_get_mapped(GTK_WIDGET(view))) gtk_widget_child_focus(GTK_WIDGET(view), GTK_DIR_TAB_FORWARD);
    return G_SOURCE_REMOVE;
}

void onMap(GtkWidget* view, gpointer) { g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, focusFirstRow, g_object_ref(view), g_object_unref); }

}  // namespace

std::optional<std::size_t> showCertificateChoice(const CertificateChoiceRequest& request, std::size_t initialRow,
                                                 const std::function<void(std::size_t row)>& view) {
    Outcome outcome;
    outcome.view = view;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.title.c_str());
    cancelOnClose(window, outcome.run);

    GtkWidget* content = contentBox(12);
    GtkWidget* prompt = gtk_label_new(request.prompt.c_str());
    gtk_label_set_xalign(GTK_LABEL(prompt), 0.0f);
    gtk_label_set_wrap(GTK_LABEL(prompt), TRUE);
    gtk_box_append(GTK_BOX(content), prompt);
    outcome.table = textTable(request.columns, request.rows);
    if (initialRow > 0) selectRow(outcome.table, initialRow);
    g_signal_connect(outcome.table.view, "activate", G_CALLBACK(onActivate), &outcome);
    g_signal_connect(outcome.table.view, "map", G_CALLBACK(onMap), nullptr);
    gtk_box_append(GTK_BOX(content), outcome.table.widget);
    GtkWidget* ok = dialogButton("OK", G_CALLBACK(onOk), &outcome);
    GtkWidget* buttons = buttonRow({ok, cancelButton(outcome.run)});
    if (view) gtk_box_prepend(GTK_BOX(buttons), dialogButton("_Zobrazit certifikát", G_CALLBACK(onView), &outcome));
    gtk_box_append(GTK_BOX(content), buttons);
    gtk_window_set_child(window, content);
    gtk_window_set_focus(window, GTK_WIDGET(outcome.table.view));
    pressOnEnter(window, ok);

    outcome.run.run(window);
    outcome.actions.rethrow();
    return outcome.chosen;
}

}  // namespace platform::ui::gtk

// The choice of a row of a table as a GTK window: the prompt, the table
// with the caller's columns, OK (also Enter or a double click on a row;
// disabled while the table is empty), Cancel (also Escape), the close
// button and, when the caller views certificates, "Zobrazit certifikát"
// for the selected row. The initial row starts selected; the keyboard
// starts on the first row.
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

void accept(Outcome* outcome, std::optional<std::size_t> row) {
    if (!row) return;
    outcome->chosen = row;
    outcome->run.finish();
}

void onOk(GtkButton*, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    accept(outcome, selectedRow(outcome->table));
}

void onActivate(GtkColumnView*, guint position, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    accept(outcome, rowAt(outcome->table, position));
}

void onView(GtkButton*, gpointer data) {
    auto* outcome = static_cast<Outcome*>(data);
    if (const auto row = selectedRow(outcome->table)) outcome->actions.run([&] { outcome->view(*row); });
}


}  // namespace

std::optional<std::size_t> showRowChoice(const CertificateChoiceRequest& request, std::size_t initialRow,
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
    focusRows(outcome.table.view);
    gtk_box_append(GTK_BOX(content), outcome.table.widget);
    GtkWidget* ok = dialogButton("OK", G_CALLBACK(onOk), &outcome);
    gtk_widget_set_sensitive(ok, !request.rows.empty());
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

// The PIN prompt of card providers as a GTK window: the reader's name, a
// password field, OK (also Enter) and Storno (also Escape and closing).
#include "gtk_dialog_parts.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

struct Outcome {
    ModalRun run;
    GtkWidget* entry = nullptr;
    std::optional<std::string> pin;
};

void accept(Outcome* outcome) {
    outcome->pin = gtk_editable_get_text(GTK_EDITABLE(outcome->entry));
    outcome->run.finish();
}

void onOk(GtkButton*, gpointer data) { accept(static_cast<Outcome*>(data)); }
void onActivate(GtkPasswordEntry*, gpointer data) { accept(static_cast<Outcome*>(data)); }

}  // namespace

std::optional<std::string> showPinPrompt(const PinRequest& request) {
    Outcome outcome;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.provider.c_str());
    gtk_window_set_resizable(window, FALSE);
    cancelOnClose(window, outcome.run);

    GtkWidget* content = contentBox(12);
    const std::string prompt = "Zadejte PIN karty ve čtečce " + request.reader + ":";
    GtkWidget* label = gtk_label_new(prompt.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_box_append(GTK_BOX(content), label);

    outcome.entry = gtk_password_entry_new();
    g_signal_connect(outcome.entry, "activate", G_CALLBACK(onActivate), &outcome);
    gtk_box_append(GTK_BOX(content), outcome.entry);

    gtk_box_append(GTK_BOX(content), buttonRow({dialogButton("OK", G_CALLBACK(onOk), &outcome),
                                                cancelButton(outcome.run)}));
    gtk_window_set_child(window, content);
    gtk_window_set_focus(window, outcome.entry);

    outcome.run.run(window);
    return outcome.pin;
}

}  // namespace platform::ui::gtk

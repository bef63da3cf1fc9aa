// The PIN prompt of card providers as a GTK window: the reader's name, a
// password field, OK (also Enter) and Storno (also Escape and closing).
#include "gtk_session.h"
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
void onCancel(GtkButton*, gpointer data) { static_cast<Outcome*>(data)->run.finish(); }

gboolean onCloseRequest(GtkWindow*, gpointer data) {
    static_cast<Outcome*>(data)->run.finish();
    return TRUE;
}

gboolean onEscape(GtkWidget* window, GVariant*, gpointer) {
    gtk_window_close(GTK_WINDOW(window));
    return TRUE;
}

GtkWidget* button(const char* label, GCallback handler, Outcome* outcome) {
    GtkWidget* b = gtk_button_new_with_mnemonic(label);
    gtk_widget_set_size_request(b, 88, -1);
    g_signal_connect(b, "clicked", handler, outcome);
    return b;
}

}  // namespace

std::optional<std::string> showPinPrompt(const PinRequest& request) {
    Outcome outcome;
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, request.provider.c_str());
    gtk_window_set_resizable(window, FALSE);
    g_signal_connect(window, "close-request", G_CALLBACK(onCloseRequest), &outcome);
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys), gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, GdkModifierType(0)),
                                                        gtk_callback_action_new(onEscape, nullptr, nullptr)));
    gtk_widget_add_controller(GTK_WIDGET(window), keys);

    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    for (auto set : {gtk_widget_set_margin_top, gtk_widget_set_margin_bottom, gtk_widget_set_margin_start,
                     gtk_widget_set_margin_end})
        set(content, 16);
    const std::string prompt = "Zadejte PIN karty ve čtečce " + request.reader + ":";
    GtkWidget* label = gtk_label_new(prompt.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_box_append(GTK_BOX(content), label);

    outcome.entry = gtk_password_entry_new();
    g_signal_connect(outcome.entry, "activate", G_CALLBACK(onActivate), &outcome);
    gtk_box_append(GTK_BOX(content), outcome.entry);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_set_homogeneous(GTK_BOX(buttons), TRUE);
    gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
    gtk_box_append(GTK_BOX(buttons), button("OK", G_CALLBACK(onOk), &outcome));
    gtk_box_append(GTK_BOX(buttons), button("Storno", G_CALLBACK(onCancel), &outcome));
    gtk_box_append(GTK_BOX(content), buttons);
    gtk_window_set_child(window, content);
    gtk_window_set_focus(window, outcome.entry);

    outcome.run.run(window);
    return outcome.pin;
}

}  // namespace platform::ui::gtk

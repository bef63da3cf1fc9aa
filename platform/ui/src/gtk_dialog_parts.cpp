#include "gtk_dialog_parts.h"

namespace platform::ui::gtk {

namespace {

gboolean onEscape(GtkWidget* window, GVariant*, gpointer) {
    gtk_window_close(GTK_WINDOW(window));
    return TRUE;
}

// The window is destroyed by ModalRun, so the request itself is refused.
gboolean onCloseRequest(GtkWindow*, gpointer run) {
    static_cast<ModalRun*>(run)->finish();
    return TRUE;
}

void onCancel(GtkButton*, gpointer run) { static_cast<ModalRun*>(run)->finish(); }

gboolean onEnter(GtkWidget*, GVariant*, gpointer button) {
    gtk_widget_activate(GTK_WIDGET(button));
    return TRUE;
}

}  // namespace

namespace {

GtkEventController* keyShortcut(guint key, GtkShortcutFunc action, gpointer data) {
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_shortcut_controller_add_shortcut(
        GTK_SHORTCUT_CONTROLLER(keys), gtk_shortcut_new(gtk_keyval_trigger_new(key, GdkModifierType(0)),
                                                        gtk_callback_action_new(action, data, nullptr)));
    return keys;
}

}  // namespace

void closeOnEscape(GtkWindow* window) {
    gtk_widget_add_controller(GTK_WIDGET(window), keyShortcut(GDK_KEY_Escape, onEscape, nullptr));
}

void pressOnEnter(GtkWindow* window, GtkWidget* button) {
    GtkEventController* keys = keyShortcut(GDK_KEY_Return, onEnter, button);
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    gtk_widget_add_controller(GTK_WIDGET(window), keys);
}

GtkWidget* contentBox(int spacing) {
    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, spacing);
    for (auto set : {gtk_widget_set_margin_top, gtk_widget_set_margin_bottom, gtk_widget_set_margin_start,
                     gtk_widget_set_margin_end})
        set(content, 16);
    return content;
}

GtkWidget* dialogButton(const char* label, GCallback onClicked, gpointer data) {
    GtkWidget* button = gtk_button_new_with_mnemonic(label);
    gtk_widget_set_size_request(button, 88, -1);
    g_signal_connect(button, "clicked", onClicked, data);
    return button;
}

GtkWidget* buttonRow(std::initializer_list<GtkWidget*> buttons) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_set_homogeneous(GTK_BOX(row), TRUE);
    gtk_widget_set_halign(row, GTK_ALIGN_CENTER);
    for (GtkWidget* button : buttons) gtk_box_append(GTK_BOX(row), button);
    return row;
}

void cancelOnClose(GtkWindow* window, ModalRun& run) {
    g_signal_connect(window, "close-request", G_CALLBACK(onCloseRequest), &run);
    closeOnEscape(window);
}

GtkWidget* cancelButton(ModalRun& run) { return dialogButton("Storno", G_CALLBACK(onCancel), &run); }

}  // namespace platform::ui::gtk

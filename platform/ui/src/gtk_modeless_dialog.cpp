// A modeless template dialog as a GTK window that takes no input: its
// visible controls' texts where the template places them, shown at once
// and drawn before the caller works on. A dialog without a title has no
// frame.
#include <gtk/gtk.h>

#include <map>

#include "gtk_dialog_parts.h"
#include "gtk_session.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

std::map<const DialogSession*, GtkWindow*>& shownWindows() {
    static std::map<const DialogSession*, GtkWindow*> windows;
    return windows;
}

GtkWidget* widgetOf(const ControlState& c) {
    const std::string text = mnemonicOf(c.control.text);
    switch (c.control.kind) {
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
        GtkWidget* button = gtk_button_new_with_mnemonic(text.c_str());
        gtk_widget_set_sensitive(button, FALSE);
        return button;
    }
    default: {
        GtkWidget* label = gtk_label_new_with_mnemonic(text.c_str());
        gtk_label_set_wrap(GTK_LABEL(label), TRUE);
        return label;
    }
    }
}

void drawPending() {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

}  // namespace

void showModelessDialog(const DialogSession& session) {
    const auto& state = session.state();
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window, state.title.c_str());
    gtk_window_set_decorated(window, !state.title.empty());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_deletable(window, FALSE);
    gtk_window_set_default_size(window, state.width, state.height);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_window_set_child(window, fixed);
    for (const auto& c : state.controls) {
        if (!c.visible) continue;
        GtkWidget* widget = widgetOf(c);
        gtk_widget_set_size_request(widget, pixelsX(c.control.cx), pixelsY(c.control.cy));
        gtk_fixed_put(GTK_FIXED(fixed), widget, pixelsX(c.control.x), pixelsY(c.control.y));
    }
    shownWindows()[&session] = window;
    gtk_window_present(window);
    drawPending();
}

void hideModelessDialog(const DialogSession& session) {
    auto& windows = shownWindows();
    const auto found = windows.find(&session);
    if (found == windows.end()) return;
    gtk_window_destroy(found->second);
    windows.erase(found);
    drawPending();
}

void beep() {
    if (onUiThread()) gdk_display_beep(gdk_display_get_default());
}

}  // namespace platform::ui::gtk

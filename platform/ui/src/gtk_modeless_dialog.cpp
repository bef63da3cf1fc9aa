// A modeless template dialog as a GTK window that takes no input: its
// controls where the template places them, following the dialog's state
// (texts, visibility, progress, the looks of custom controls) each time it
// changes. A dialog without a
// title has no frame.
#include <gtk/gtk.h>

#include <map>
#include <vector>

#include "control_looks_of.h"
#include "gtk_dialog_owners.h"
#include "gtk_dialog_parts.h"
#include "gtk_progress_bar.h"
#include "gtk_session.h"
#include "gtk_template_layout.h"
#include "gtk_windows.h"

namespace platform::ui::gtk {

namespace {

struct Shown {
    GtkWindow* window;
    std::vector<GtkWidget*> controls;  // by the template's order, as placed
};

std::map<const DialogSession*, Shown>& shownWindows() {
    static std::map<const DialogSession*, Shown> windows;
    return windows;
}

GtkWidget* widgetOf(const ControlState& c) {
    switch (c.control.kind) {
    case ControlKind::Button:
    case ControlKind::DefaultButton: {
        GtkWidget* button = gtk_button_new_with_mnemonic("");
        gtk_widget_set_sensitive(button, FALSE);
        return button;
    }
    case ControlKind::ProgressBar: return newProgressBar();
    case ControlKind::Custom: return controlLookOf(c.control.className)->makeWidget();
    default: {
        GtkWidget* label = gtk_label_new_with_mnemonic("");
        gtk_label_set_xalign(GTK_LABEL(label), (c.control.style & kStyleRightAligned) ? 1.0f : 0.0f);
        gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
        return fittedLabel(label, c.control);
    }
    }
}

// The label a static's box holds (inside the viewport GTK gave it).
GtkWidget* labelIn(GtkWidget* box) {
    GtkWidget* child = gtk_scrolled_window_get_child(GTK_SCROLLED_WINDOW(box));
    return GTK_IS_VIEWPORT(child) ? gtk_viewport_get_child(GTK_VIEWPORT(child)) : child;
}

void showControl(GtkWidget* widget, const ControlState& c) {
    gtk_widget_set_visible(widget, c.visible);
    const std::string text = mnemonicOf(c.control.text);
    switch (c.control.kind) {
    case ControlKind::Button:
    case ControlKind::DefaultButton: gtk_button_set_label(GTK_BUTTON(widget), text.c_str()); break;
    case ControlKind::ProgressBar: showProgress(widget, c.progress); break;
    case ControlKind::Custom: controlLookOf(c.control.className)->show(widget, c.look); break;
    default: gtk_label_set_text_with_mnemonic(GTK_LABEL(labelIn(widget)), text.c_str()); break;
    }
}

void drawPending() {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

void follow(Shown& shown, const DialogState& state) {
    gtk_window_set_title(shown.window, state.title.c_str());
    for (std::size_t i = 0; i < shown.controls.size(); ++i) showControl(shown.controls[i], state.controls[i]);
    gtk_widget_set_visible(GTK_WIDGET(shown.window), state.visible);
    drawPending();
}

}  // namespace

void showModelessDialog(const DialogSession& session) {
    const auto& state = session.state();
    Shown shown{GTK_WINDOW(gtk_window_new()), {}};
    gtk_window_set_decorated(shown.window, !state.title.empty());
    gtk_window_set_deletable(shown.window, FALSE);
    GtkWidget* area = templateArea(shown.window, state);
    for (const auto& c : state.controls) {
        GtkWidget* widget = widgetOf(c);
        placeControl(area, widget, c.control, state.units);
        shown.controls.push_back(widget);
    }
    standOverOwner(shown.window, state);
    auto& kept = shownWindows()[&session] = shown;
    rememberDialogWindow(state, shown.window);
    windowUp(true);
    follow(kept, state);
}

void updateModelessDialog(const DialogSession& session) {
    auto& windows = shownWindows();
    const auto found = windows.find(&session);
    if (found != windows.end()) follow(found->second, session.state());
}

void hideModelessDialog(const DialogSession& session) {
    auto& windows = shownWindows();
    const auto found = windows.find(&session);
    if (found == windows.end()) return;
    forgetDialogWindow(session.state());
    gtk_window_destroy(found->second.window);
    windows.erase(found);
    drawPending();
    windowUp(false);
}

void beep() {
    if (onUiThread()) gdk_display_beep(gdk_display_get_default());
}

}  // namespace platform::ui::gtk

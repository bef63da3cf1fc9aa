#include "gtk_dialog_owners.h"

#include <map>

namespace platform::ui::gtk {

namespace {

std::map<const DialogState*, GtkWindow*>& windows() {
    static std::map<const DialogState*, GtkWindow*> shown;
    return shown;
}

// The active window of the process, else the newest visible one (GTK
// lists the newest first); null when none is up.
GtkWindow* frontWindow() {
    GList* windows = gtk_window_list_toplevels();
    GtkWindow* front = nullptr;
    for (GList* item = windows; item; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        if (!gtk_widget_get_visible(GTK_WIDGET(window))) continue;
        if (!front || gtk_window_is_active(window)) front = window;
        if (gtk_window_is_active(window)) break;
    }
    g_list_free(windows);
    return front;
}

}  // namespace

void rememberDialogWindow(const DialogState& dialog, GtkWindow* window) { windows()[&dialog] = window; }

GtkWindow* dialogWindowOf(const DialogState& dialog) {
    const auto found = windows().find(&dialog);
    return found == windows().end() ? nullptr : found->second;
}

void forgetDialogWindow(const DialogState& dialog) { windows().erase(&dialog); }

void standOverOwner(GtkWindow* window, const DialogState& dialog) {
    if (!dialog.owner) return;
    const auto found = windows().find(dialog.owner);
    if (found != windows().end()) gtk_window_set_transient_for(window, found->second);
}

GtkWindow* dialogParent(const DialogState* openedOver) {
    if (openedOver) {
        if (GtkWindow* owner = dialogWindowOf(*openedOver)) return owner;
    }
    if (GtkWindow* front = frontWindow()) return front;
    static GtkWindow* const unseen = GTK_WINDOW(gtk_window_new());
    return unseen;
}

}  // namespace platform::ui::gtk

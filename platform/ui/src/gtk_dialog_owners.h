// The GTK windows of the template dialogs that are up, by their state, so
// that a dialog opened over one of them stands over its window, and the
// window in front for a dialog that names no owner: GTK cannot
// place a window, but a window transient for another is kept above it and
// placed over it by the window manager. On the GTK thread only.
#pragma once

#include <gtk/gtk.h>

#include "platform/dialog_session.h"

namespace platform::ui::gtk {

// Kept from the window's showing until it is gone.
void rememberDialogWindow(const DialogState& dialog, GtkWindow* window);
// The dialog's window while it is remembered, else null.
GtkWindow* dialogWindowOf(const DialogState& dialog);
void forgetDialogWindow(const DialogState& dialog);
// Makes the window transient for the window of the dialog it opens over
// (DialogState::owner), when that dialog is up.
void standOverOwner(GtkWindow* window, const DialogState& dialog);
// The window a dialog asked for without an owner stands over: the active
// one of the process, else a visible one; null when none is up.
GtkWindow* frontWindow();

}  // namespace platform::ui::gtk

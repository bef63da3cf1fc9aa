// The GTK windows of the template dialogs that are up, by their state, so
// that a dialog opened over one of them stands over its window, and the
// window in front for a dialog that names none: GTK cannot
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
// The transient parent of one of GTK's own dialogs (GtkDialog, which GTK
// reports on stderr when it is mapped without one): the window of the
// dialog it opens over while that is up, else the process's window in
// front (the active one, else the newest visible one), else a window of
// the layer's that is never shown, which leaves the dialog a window of its
// own on the screen, as it is without a parent.
GtkWindow* dialogParent(const DialogState* openedOver);

}  // namespace platform::ui::gtk

// The window of a resizable template dialog: the user resizes it down to
// the dialog's least size, and each new size of its client area is told
// to the dialog once GTK has laid the window out.
#pragma once

#include <gtk/gtk.h>

#include "platform/dialog_session.h"

namespace platform::ui::gtk {

using ResizedFunc = void (*)(int width, int height, gpointer data);

// Moves the area the controls are placed on (the window's child) onto a
// resizable client area of at least state's least size; onResized runs
// from the main loop with each size it takes, the first included.
void followSize(GtkWindow* window, const DialogState& state, ResizedFunc onResized, gpointer data);

// The control at the place SetWindowPos gave it, when it was given one.
void placeAsMoved(GtkWidget* control, const ControlState& c);

}  // namespace platform::ui::gtk

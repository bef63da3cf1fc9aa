// How a template dialog's controls stand in its GTK window: on a GtkFixed
// the size of the dialog, each where its template places it in base units
// of the font the window is drawn in (measureBaseUnits, gtk_windows.h),
// drawn compact enough to fit there.
#pragma once

#include <gtk/gtk.h>

#include "platform/dialog_session.h"

namespace platform::ui::gtk {

// The window's client area for the dialog's controls.
GtkWidget* templateArea(GtkWindow* window, const DialogState& dialog);
// Puts the control's widget where the template places it. A drop-down
// list's template height counts its opened list; closed it is one line
// high, and would otherwise cover what lies below.
void placeControl(GtkWidget* area, GtkWidget* widget, const ControlTemplate& control, const BaseUnits& units);
// A static's label, aligned as its style says, wrapped at word ends within
// its width, as many lines as its height holds, the last cut with an
// ellipsis when the text needs more; a path on one line (showsPath), cut
// by the caller (gtk_path_ellipsis.h).
void fitLabel(GtkLabel* label, const ControlTemplate& control);
// A static's fitted label in a box of the static's place that cuts off
// what still does not fit (more lines than the text wraps to) and takes
// no focus: the box, to be placed.
GtkWidget* fittedLabel(GtkWidget* label, const ControlTemplate& control);

}  // namespace platform::ui::gtk

// The progress bar of template dialogs in GTK: the position as the bar's
// fraction, or, while the marquee runs, a block pulsed by a timer of the
// GTK thread (so it moves whatever the dialog's thread is doing).
#pragma once

#include <gtk/gtk.h>

#include "platform/dialog_session.h"

namespace platform::ui::gtk {

GtkWidget* newProgressBar();
void showProgress(GtkWidget* bar, const ProgressState& progress);

}  // namespace platform::ui::gtk

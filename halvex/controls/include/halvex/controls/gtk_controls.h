// The text progress control as a GTK 4 widget drawn over its model, the
// marquee run by a GLib timer.
// GTK's headers stay out of this one: their TRUE and FALSE macros and the
// layer's constants of those names cannot meet in one file unless the
// layer's come first, which the sources here see to.
#pragma once

#include "halvex/controls/progress_model.h"
#include "halvex/controls/progress_paint.h"

typedef struct _GtkWidget GtkWidget;

namespace halvex::controls {

// A progress control of its own model, which the widget keeps alive as
// long as it lives; messages go to model(widget).
GtkWidget* makeTextProgressWidget(BarOrientation orientation = BarOrientation::horizontal);
TextProgressModel& progressModel(GtkWidget* widget);

}  // namespace halvex::controls

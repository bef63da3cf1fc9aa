// What a text progress control shows, as its procedure publishes it, and
// the GTK widget that paints it.
#pragma once

#include <memory>

#include "halvex/controls/progress_model.h"
#include "halvex/controls/progress_paint.h"

typedef struct _GtkWidget GtkWidget;

namespace halvex::controls {

struct TextProgressLook {
    TextProgressModel model;  // a copy: only read
    BarOrientation orientation;
};

// On the GTK thread.
GtkWidget* makeTextProgressWidget();
void showTextProgressLook(GtkWidget* widget, const std::shared_ptr<const void>& look);

}  // namespace halvex::controls

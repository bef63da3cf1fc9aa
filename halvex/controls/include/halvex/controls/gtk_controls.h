// The controls as GTK 4 widgets: a toolbar button showing the hot image
// under the pointer, the normal one otherwise and the disabled one while
// insensitive (magenta transparent), and the text progress control drawn
// over its model, the marquee run by a GLib timer.
// GTK's headers stay out of this one: their TRUE and FALSE macros and the
// layer's constants of those names cannot meet in one file unless the
// layer's come first, which the sources here see to.
#pragma once

#include "halvex/controls/progress_model.h"
#include "halvex/controls/progress_paint.h"
#include "halvex/controls/toolbar_images.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkTexture GdkTexture;

namespace halvex::controls {

// A texture of the bitmap, its magenta pixels fully transparent.
GdkTexture* makeMaskedTexture(const Bitmap& bitmap);

// A flat button holding image `index` of the three sets; throws
// std::out_of_range when a set holds no such image.
GtkWidget* makeToolbarButton(const ToolbarImages& images, int index);

// A progress control of its own model, which the widget keeps alive as
// long as it lives; messages go to model(widget).
GtkWidget* makeTextProgressWidget(BarOrientation orientation = BarOrientation::horizontal);
TextProgressModel& progressModel(GtkWidget* widget);

}  // namespace halvex::controls

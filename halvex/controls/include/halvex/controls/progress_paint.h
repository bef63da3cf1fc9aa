// Draws the text progress control with cairo: the filled part in the bar
// colour, the rest in the background colour, and the text over both, in
// the text-on-bar colour where it lies over the bar and the text colour
// elsewhere.
#pragma once

#include <cairo.h>

#include "halvex/controls/progress_model.h"

typedef struct _PangoFontDescription PangoFontDescription;

namespace halvex::controls {

enum class BarOrientation { horizontal, vertical };

// Paints a control of width x height pixels at the context's origin. A
// vertical bar fills from the bottom and its text runs upwards. The text
// is in `font` (the control's), else in Pango's default.
void paintProgress(cairo_t* cairo, const TextProgressModel& model, int width, int height,
                   BarOrientation orientation = BarOrientation::horizontal, const PangoFontDescription* font = nullptr);

}  // namespace halvex::controls

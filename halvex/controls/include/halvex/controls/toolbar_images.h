// The toolbar's three image sets made from one bitmap of 24 x 24 images
// side by side: hot (under the pointer) the bitmap as it is, normal
// slightly lightened, disabled grey and lightened. Magenta stays magenta
// in all three and is the transparent colour when they are shown.
#pragma once

#include "halvex/controls/bitmap.h"

namespace halvex::controls {

inline constexpr int kToolbarImageSize = 24;

struct ToolbarImages {
    Bitmap hot;
    Bitmap normal;
    Bitmap disabled;
};

// Throws std::invalid_argument for an empty bitmap.
ToolbarImages makeToolbarImages(const Bitmap& bitmap);

// The number of whole 24 x 24 images the bitmap holds.
int toolbarImageCount(const Bitmap& bitmap);
// Image `index` of the bitmap; throws std::out_of_range past the last one.
Bitmap toolbarImage(const Bitmap& bitmap, int index);

}  // namespace halvex::controls

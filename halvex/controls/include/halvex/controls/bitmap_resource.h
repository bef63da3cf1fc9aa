// The program's bitmaps from its resources.
#pragma once

#include "halvex/controls/bitmap.h"
#include "win32/resources.h"

namespace halvex::controls {

// Bitmap resource `id` of the module (null: the calling module), decoded
// by decodeBitmap24. Throws std::runtime_error when the module has no such
// resource, std::invalid_argument when its data is no 24-bit bitmap.
Bitmap loadBitmapResource(HMODULE module, WORD id);

}  // namespace halvex::controls

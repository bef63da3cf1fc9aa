// Loading a bitmap resource.
#include "halvex/controls/bitmap_resource.h"

#include <stdexcept>
#include <string>

namespace halvex::controls {

Bitmap loadBitmapResource(HMODULE module, WORD id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_BITMAP);
    const void* data = found ? LockResource(LoadResource(module, found)) : nullptr;
    if (!data) throw std::runtime_error("bitmap resource " + std::to_string(id) + " not found");
    return decodeBitmap24({static_cast<const std::uint8_t*>(data), SizeofResource(module, found)});
}

}  // namespace halvex::controls

// The hot, normal and disabled toolbar images.
#include "halvex/controls/toolbar_images.h"

#include <array>
#include <stdexcept>

#include "halvex/controls/pixel_processors.h"

namespace halvex::controls {

namespace {

Bitmap processed(const Bitmap& bitmap, std::span<const PixelProcessor* const> processors) {
    Bitmap result = bitmap;
    if (!processImage(result, processors)) throw std::invalid_argument("toolbar bitmap: empty or damaged");
    return result;
}

}  // namespace

ToolbarImages makeToolbarImages(const Bitmap& bitmap) {
    const ImageGrayer grey;
    const ImageHigh disabledStep(0.08f);
    const ImageHigh normalStep(0.04f);
    const std::array<const PixelProcessor*, 4> disabled{&grey, &disabledStep, &disabledStep, &disabledStep};
    const std::array<const PixelProcessor*, 2> normal{&normalStep, &normalStep};
    return ToolbarImages{processed(bitmap, {}), processed(bitmap, normal), processed(bitmap, disabled)};
}

int toolbarImageCount(const Bitmap& bitmap) {
    return bitmap.height < kToolbarImageSize ? 0 : bitmap.width / kToolbarImageSize;
}

Bitmap toolbarImage(const Bitmap& bitmap, int index) {
    if (index < 0 || index >= toolbarImageCount(bitmap)) throw std::out_of_range("toolbar image index past the bitmap");
    Bitmap image{kToolbarImageSize, kToolbarImageSize, {}};
    image.pixels.reserve(kToolbarImageSize * kToolbarImageSize);
    for (int y = 0; y < kToolbarImageSize; ++y) {
        for (int x = 0; x < kToolbarImageSize; ++x) image.pixels.push_back(bitmap.at(index * kToolbarImageSize + x, y));
    }
    return image;
}

}  // namespace halvex::controls

// The grey and lightness processors, and the run of processors over a
// bitmap.
#include "halvex/controls/pixel_processors.h"

#include <algorithm>
#include <cmath>

namespace halvex::controls {

namespace {

struct Hls {
    double hue = 0;  // degrees, 0 to 360
    double lightness = 0;
    double saturation = 0;
};

Hls toHls(const Pixel& pixel) {
    const int r = pixel.red, g = pixel.green, b = pixel.blue;
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    Hls hls;
    hls.lightness = (max + min) / 510.0;
    if (max == min) return hls;
    const double delta = max - min;
    hls.saturation = hls.lightness <= 0.5 ? delta / (max + min) : delta / (510 - max - min);
    if (r == max) {
        hls.hue = (g - b) / delta;
    } else if (g == max) {
        hls.hue = 2 + (b - r) / delta;
    } else {
        hls.hue = 4 + (r - g) / delta;
    }
    hls.hue *= 60;
    if (hls.hue < 0) hls.hue += 360;
    return hls;
}

double hueToValue(double m1, double m2, double hue) {
    if (hue < 0) hue += 360;
    if (hue >= 360) hue -= 360;
    if (hue < 60) return m1 + (m2 - m1) * hue / 60;
    if (hue < 180) return m2;
    if (hue < 240) return m1 + (m2 - m1) * (240 - hue) / 60;
    return m1;
}

std::uint8_t toByte(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
}

Pixel fromHls(const Hls& hls, std::uint8_t extra) {
    if (hls.saturation == 0) {
        const std::uint8_t grey = toByte(hls.lightness);
        return Pixel{grey, grey, grey, extra};
    }
    const double l = hls.lightness, s = hls.saturation;
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    return Pixel{toByte(hueToValue(m1, m2, hls.hue - 120)), toByte(hueToValue(m1, m2, hls.hue)),
                 toByte(hueToValue(m1, m2, hls.hue + 120)), extra};
}

template <class Change>
void mapPixels(const Bitmap& input, Bitmap& output, Change change) {
    std::transform(input.pixels.begin(), input.pixels.end(), output.pixels.begin(),
                   [&](const Pixel& pixel) { return sameColour(pixel, kMagenta) ? pixel : change(pixel); });
}

}  // namespace

void ImageGrayer::process(const Bitmap& input, Bitmap& output) const {
    mapPixels(input, output, [](const Pixel& pixel) {
        const auto grey = static_cast<std::uint8_t>((pixel.blue + 6 * pixel.green + 3 * pixel.red) / 10);
        return Pixel{grey, grey, grey, pixel.extra};
    });
}

void ImageHigh::process(const Bitmap& input, Bitmap& output) const {
    mapPixels(input, output, [this](const Pixel& pixel) {
        Hls hls = toHls(pixel);
        hls.lightness = std::clamp(hls.lightness + m_step, 0.0, 1.0);
        return fromHls(hls, pixel.extra);
    });
}

bool processImage(Bitmap& bitmap, std::span<const PixelProcessor* const> processors) {
    if (bitmap.empty() || bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
        return false;
    }
    // The bitmap changes only once every processor has run.
    Bitmap current = bitmap;
    for (const PixelProcessor* processor : processors) {
        const Size size = processor->outputSize(Size{current.width, current.height});
        if (size.width <= 0 || size.height <= 0) return false;
        Bitmap output{size.width, size.height, {}};
        output.pixels.resize(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height));
        processor->process(current, output);
        current = std::move(output);
    }
    bitmap = std::move(current);
    return true;
}

}  // namespace halvex::controls

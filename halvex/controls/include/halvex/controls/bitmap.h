// A bitmap as 32-bit pixels in top-down rows (blue, green, red and a
// fourth byte, the order of a 32-bit device-independent bitmap), and the
// decoding of the program's 24-bit bitmap resources into one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace halvex::controls {

struct Pixel {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t extra = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
};

// The transparent colour of the toolbar's bitmaps.
inline constexpr Pixel kMagenta{255, 0, 255, 0};
// Compares the colour bytes only; the fourth byte carries nothing.
inline bool sameColour(const Pixel& a, const Pixel& b) {
    return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;  // width * height, row after row from the top

    bool empty() const noexcept { return width <= 0 || height <= 0; }
    Pixel& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
    const Pixel& at(int x, int y) const { return const_cast<Bitmap&>(*this).at(x, y); }
};

// A bitmap filled with one colour.
Bitmap solidBitmap(int width, int height, Pixel colour);

// The pixels as straight RGBA bytes, row after row from the top, magenta
// fully transparent and every other colour opaque.
std::vector<std::uint8_t> maskedRgba(const Bitmap& bitmap);

// Decodes an uncompressed 24-bit bitmap: the information header and the
// pixels (as a bitmap resource holds them), optionally preceded by the
// 14-byte "BM" file header. Rows bottom-up or top-down. Throws
// std::invalid_argument naming what is wrong for anything else (other
// depths, compression, sizes the data does not hold, more than 4096
// pixels a side).
Bitmap decodeBitmap24(std::span<const std::uint8_t> data);

}  // namespace halvex::controls

// Decoding of 24-bit bitmaps, defensive about every size the data gives.
#include "halvex/controls/bitmap.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace halvex::controls {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kMinInfoHeaderSize = 40;
constexpr std::int64_t kMaxSide = 4096;

std::uint32_t readU32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
           static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
}
std::uint16_t readU16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

[[noreturn]] void refuse(const std::string& why) { throw std::invalid_argument("bitmap: " + why); }

}  // namespace

Bitmap solidBitmap(int width, int height, Pixel colour) {
    Bitmap bitmap{width, height, {}};
    bitmap.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour);
    return bitmap;
}

std::vector<std::uint8_t> maskedRgba(const Bitmap& bitmap) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(bitmap.pixels.size() * 4);
    for (const Pixel& pixel : bitmap.pixels) {
        const std::uint8_t alpha = sameColour(pixel, kMagenta) ? 0 : 255;
        rgba.insert(rgba.end(), {pixel.red, pixel.green, pixel.blue, alpha});
    }
    return rgba;
}

Bitmap decodeBitmap24(std::span<const std::uint8_t> data) {
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (data.size() < kFileHeaderSize) refuse("truncated file header");
        data = data.subspan(kFileHeaderSize);
    }
    if (data.size() < kMinInfoHeaderSize) refuse("truncated information header");
    const std::uint32_t headerSize = readU32(data, 0);
    if (headerSize < kMinInfoHeaderSize || headerSize > data.size()) refuse("bad information header size");
    const auto width = static_cast<std::int32_t>(readU32(data, 4));
    const auto signedHeight = static_cast<std::int32_t>(readU32(data, 8));
    if (readU16(data, 12) != 1) refuse("planes must be 1");
    if (readU16(data, 14) != 24) refuse("only 24 bits per pixel are supported");
    if (readU32(data, 16) != 0) refuse("compressed bitmaps are not supported");
    const std::int64_t height = std::llabs(static_cast<long long>(signedHeight));
    if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide) refuse("unsupported size");

    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const auto rows = static_cast<std::size_t>(height);
    const std::span<const std::uint8_t> bits = data.subspan(headerSize);
    if (bits.size() < stride * rows) refuse("pixel data shorter than the size says");

    Bitmap bitmap{width, static_cast<int>(height), {}};
    bitmap.pixels.resize(static_cast<std::size_t>(width) * rows);
    const bool bottomUp = signedHeight > 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t y = bottomUp ? rows - 1 - row : row;
        const std::uint8_t* source = bits.data() + row * stride;
        for (int x = 0; x < width; ++x, source += 3) {
            bitmap.at(x, static_cast<int>(y)) = Pixel{source[0], source[1], source[2], 0};
        }
    }
    return bitmap;
}

}  // namespace halvex::controls

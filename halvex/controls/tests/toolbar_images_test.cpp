// The toolbar's pixel processing on small bitmaps of known pixels, and the
// decoding of the bitmaps it starts from.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "halvex/controls/bitmap_resource.h"
#include "halvex/controls/pixel_processors.h"
#include "halvex/controls/toolbar_images.h"

namespace halvex::controls {
namespace {

Pixel rgb(int r, int g, int b) {
    return Pixel{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r), 0};
}

Bitmap row(const std::vector<Pixel>& pixels) { return Bitmap{static_cast<int>(pixels.size()), 1, pixels}; }

void expectNear(const Pixel& actual, const Pixel& expected, int tolerance) {
    EXPECT_LE(std::abs(actual.red - expected.red), tolerance) << int(actual.red) << " vs " << int(expected.red);
    EXPECT_LE(std::abs(actual.green - expected.green), tolerance) << int(actual.green) << " vs " << int(expected.green);
    EXPECT_LE(std::abs(actual.blue - expected.blue), tolerance) << int(actual.blue) << " vs " << int(expected.blue);
}

Bitmap run(Bitmap bitmap, const PixelProcessor& processor) {
    const std::array<const PixelProcessor*, 1> one{&processor};
    EXPECT_TRUE(processImage(bitmap, one));
    return bitmap;
}

TEST(PixelProcessors, GreyIsTheWeightedSumTruncatedAndMagentaStays) {
    const Bitmap grey = run(row({rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(0, 0, 19), rgb(200, 100, 50), kMagenta}),
                            ImageGrayer{});
    const std::array<int, 5> expected{76, 153, 25, 1, 125};  // (b + 6g + 3r) / 10, rounded down
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(grey.pixels[i], rgb(expected[i], expected[i], expected[i])) << "pixel " << i;
    }
    EXPECT_EQ(grey.pixels[5], kMagenta);
}

// Expected colours from Python's colorsys (HLS lightness moved by the step).
TEST(PixelProcessors, LightnessMovesInHlsCappedAtWhiteAndStoppedAtBlack) {
    const Bitmap source = row({rgb(255, 0, 0), rgb(30, 60, 90), rgb(200, 150, 100), rgb(10, 10, 10), rgb(250, 250, 250), kMagenta});
    const Bitmap lighter = run(source, ImageHigh(0.08f));
    expectNear(lighter.pixels[0], rgb(255, 41, 41), 1);
    expectNear(lighter.pixels[1], rgb(40, 80, 121), 1);
    expectNear(lighter.pixels[2], rgb(211, 170, 130), 1);
    expectNear(lighter.pixels[3], rgb(30, 30, 30), 1);
    EXPECT_EQ(lighter.pixels[4], rgb(255, 255, 255));
    EXPECT_EQ(lighter.pixels[5], kMagenta);

    const Bitmap darker = run(source, ImageHigh(-0.3f));
    expectNear(darker.pixels[2], rgb(108, 74, 38), 1);
    EXPECT_EQ(darker.pixels[1], rgb(0, 0, 0));
    EXPECT_EQ(darker.pixels[5], kMagenta);
    EXPECT_EQ(run(source, ImageHigh(5.0f)).pixels[0], rgb(255, 255, 255));
}

TEST(PixelProcessors, NothingChangesWithoutProcessorsOrWithoutPixels) {
    Bitmap bitmap = row({rgb(1, 2, 3)});
    EXPECT_TRUE(processImage(bitmap, {}));
    EXPECT_EQ(bitmap.pixels[0], rgb(1, 2, 3));
    Bitmap none;
    const ImageGrayer grey;
    const std::array<const PixelProcessor*, 1> one{&grey};
    EXPECT_FALSE(processImage(none, one));
}

TEST(ToolbarImages, HotIsTheBitmapNormalIsLighterDisabledIsGreyAndMagentaIsEverywhereKept) {
    Bitmap strip = solidBitmap(2 * kToolbarImageSize, kToolbarImageSize, rgb(200, 40, 40));
    strip.at(0, 0) = kMagenta;
    strip.at(kToolbarImageSize + 5, 7) = kMagenta;
    strip.at(1, 0) = rgb(255, 255, 255);
    const ToolbarImages images = makeToolbarImages(strip);

    EXPECT_EQ(images.hot.pixels, strip.pixels);
    for (const Bitmap* set : {&images.hot, &images.normal, &images.disabled}) {
        EXPECT_EQ(set->at(0, 0), kMagenta);
        EXPECT_EQ(set->at(kToolbarImageSize + 5, 7), kMagenta);
        EXPECT_EQ(set->at(1, 0), rgb(255, 255, 255));  // white cannot get lighter
    }
    const Pixel hot = images.hot.at(3, 3), normal = images.normal.at(3, 3), disabled = images.disabled.at(3, 3);
    EXPECT_GT(normal.green, hot.green);
    EXPECT_GT(normal.red, normal.green);  // still red, only lighter
    EXPECT_EQ(disabled.red, disabled.green);
    EXPECT_EQ(disabled.green, disabled.blue);
    EXPECT_GT(disabled.green, (40 + 6 * 40 + 3 * 200) / 10);  // lighter than the plain grey

    ASSERT_EQ(toolbarImageCount(strip), 2);
    const Bitmap second = toolbarImage(images.disabled, 1);
    EXPECT_EQ(second.width, kToolbarImageSize);
    EXPECT_EQ(second.at(5, 7), kMagenta);
    EXPECT_THROW(toolbarImage(strip, 2), std::out_of_range);
    EXPECT_THROW(makeToolbarImages(Bitmap{}), std::invalid_argument);
}

std::vector<std::uint8_t> bitmapBytes(int width, int height, std::uint16_t bits, bool fileHeader, std::size_t pixelBytes) {
    std::vector<std::uint8_t> data;
    auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
    auto put16 = [&](std::uint16_t v) { data.push_back(static_cast<std::uint8_t>(v)); data.push_back(static_cast<std::uint8_t>(v >> 8)); };
    if (fileHeader) {
        data.push_back('B'); data.push_back('M');
        put32(static_cast<std::uint32_t>(54 + pixelBytes)); put32(0); put32(54);
    }
    put32(40); put32(static_cast<std::uint32_t>(width)); put32(static_cast<std::uint32_t>(height));
    put16(1); put16(bits); put32(0); put32(0); put32(0); put32(0); put32(0); put32(0);
    return data;
}

TEST(BitmapDecoding, RowsOfEitherOrderAndHostileHeadersRefused) {
    // 2 x 2, bottom-up, with the file header: rows padded to 8 bytes.
    std::vector<std::uint8_t> file = bitmapBytes(2, 2, 24, true, 16);
    const std::uint8_t rows[16] = {255, 0, 0, 0, 255, 0, 0, 0,  // bottom row: blue, green
                                   0, 0, 255, 255, 0, 255, 0, 0};  // top row: red, magenta
    file.insert(file.end(), rows, rows + 16);
    const Bitmap decoded = decodeBitmap24(file);
    ASSERT_EQ(decoded.width, 2);
    ASSERT_EQ(decoded.height, 2);
    EXPECT_EQ(decoded.at(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(decoded.at(1, 0), kMagenta);
    EXPECT_EQ(decoded.at(0, 1), rgb(0, 0, 255));
    EXPECT_EQ(decoded.at(1, 1), rgb(0, 255, 0));

    // The same pixels as a resource holds them: no file header, top-down.
    std::vector<std::uint8_t> resource = bitmapBytes(2, -2, 24, false, 16);
    resource.insert(resource.end(), rows, rows + 16);
    const Bitmap topDown = decodeBitmap24(resource);
    EXPECT_EQ(topDown.at(0, 0), rgb(0, 0, 255));
    EXPECT_EQ(topDown.at(1, 1), kMagenta);

    std::vector<std::uint8_t> truncated = file;
    truncated.pop_back();
    EXPECT_THROW(decodeBitmap24(truncated), std::invalid_argument);
    EXPECT_THROW(decodeBitmap24(bitmapBytes(2, 2, 8, false, 0)), std::invalid_argument);
    EXPECT_THROW(decodeBitmap24(bitmapBytes(0, 2, 24, false, 0)), std::invalid_argument);
    EXPECT_THROW(decodeBitmap24(bitmapBytes(1 << 30, 1 << 30, 24, false, 0)), std::invalid_argument);
    EXPECT_THROW(decodeBitmap24(bitmapBytes(2, static_cast<int>(0x80000000u), 24, false, 0)), std::invalid_argument);
    EXPECT_THROW(decodeBitmap24(std::vector<std::uint8_t>{'B', 'M', 1}), std::invalid_argument);
}

// toolbar.bmp, written by ImageMagick, is this program's bitmap 131.
TEST(BitmapDecoding, TheProgramsBitmapResourceAsAPeerWroteIt) {
    const Bitmap strip = loadBitmapResource(nullptr, 131);
    ASSERT_EQ(strip.width, 48);
    ASSERT_EQ(strip.height, 24);
    EXPECT_EQ(strip.at(0, 0), kMagenta);
    EXPECT_EQ(strip.at(4, 4), rgb(200, 40, 40));
    EXPECT_EQ(strip.at(19, 19), rgb(200, 40, 40));
    EXPECT_EQ(strip.at(20, 19), kMagenta);
    EXPECT_EQ(strip.at(43, 4), rgb(40, 160, 40));
    EXPECT_EQ(toolbarImageCount(strip), 2);
    EXPECT_THROW(loadBitmapResource(nullptr, 132), std::runtime_error);
}

}  // namespace
}  // namespace halvex::controls

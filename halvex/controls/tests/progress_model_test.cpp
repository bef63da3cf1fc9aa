// The text progress control's answers to its messages, in the order a
// caller sends them, and its painting into an image.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "halvex/controls/progress_model.h"
#include "halvex/controls/progress_paint.h"

#include <pango/pangocairo.h>

namespace halvex::controls {
namespace {

LPARAM range(int lower, int upper) { return static_cast<LPARAM>((upper << 16) | lower); }
WPARAM w(int value) { return static_cast<WPARAM>(static_cast<LONG_PTR>(value)); }

struct Step {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT returns;
    int positionAfter;
    bool repaints;
};

TEST(TextProgressModel, EveryMessageAnswersAndMovesThePositionAsAProgressBarDoes) {
    int repaints = 0;
    std::optional<UINT> timer;
    TextProgressModel model(ProgressHost{[&] { ++repaints; }, [&](UINT ms) { timer = ms; }, [&] { timer.reset(); }});

    const std::vector<Step> steps = {
        {WM_ERASEBKGND, 0, 0, 1, 0, false},
        {PBM_GETRANGE, 0, 0, 100, 0, false},
        {PBM_GETRANGE, 1, 0, 0, 0, false},
        {PBM_SETPOS, 40, 0, 0, 40, true},
        {PBM_SETPOS, 150, 0, 40, 100, true},  // clamped to the upper bound
        {PBM_SETPOS, w(-5), 0, 100, 0, true},  // and to the lower
        {PBM_DELTAPOS, 30, 0, 0, 30, true},
        {PBM_DELTAPOS, w(-10), 0, 30, 20, true},
        {PBM_SETSTEP, 25, 0, 10, 20, true},
        {PBM_STEPIT, 0, 0, 20, 45, true},
        {PBM_SETPOS, 100, 0, 45, 100, true},
        {PBM_SETSTEP, 10, 0, 25, 100, true},
        {PBM_STEPIT, 0, 0, 100, 10, true},  // past the upper bound: near the lower again
        {PBM_SETSTEP, w(-15), 0, 10, 10, true},
        {PBM_STEPIT, 0, 0, 10, 95, true},  // below the lower bound: near the upper
        {PBM_GETPOS, 0, 0, 95, 95, false},
        {PBM_SETRANGE, 0, range(10, 20), range(0, 100), 95, true},
        {PBM_GETRANGE, 1, 0, 10, 95, false},
        {PBM_SETPOS, 15, 0, 95, 15, true},
        {PBM_SETRANGE32, w(-50), 50, range(10, 20), 15, true},
        {PBM_GETRANGE, 0, 0, 50, 15, false},
        {PBM_SETPOS, w(-50), 0, 15, -50, true},
        {TPC_GETBARCOLOR, 0, 0, RGB(0, 120, 215), -50, false},
        {TPC_GETBKCOLOR, 0, 0, RGB(240, 240, 240), -50, false},
        {TPC_GETTEXTCOLOR, 0, 0, RGB(0, 0, 0), -50, false},
        {TPC_GETTEXTBARCOLOR, 0, 0, RGB(255, 255, 255), -50, false},
        {PBM_SETBARCOLOR, 0, RGB(255, 0, 0), CLR_DEFAULT_COLOR, -50, true},
        {PBM_SETBARCOLOR, 0, RGB(0, 255, 0), RGB(255, 0, 0), -50, true},
        {TPC_GETBARCOLOR, 0, 0, RGB(0, 255, 0), -50, false},
        {PBM_SETBKCOLOR, 0, RGB(1, 2, 3), CLR_DEFAULT_COLOR, -50, true},
        {TPC_GETBKCOLOR, 0, 0, RGB(1, 2, 3), -50, false},
        {TPC_SETTEXTCOLOR, 0, RGB(4, 5, 6), CLR_DEFAULT_COLOR, -50, true},
        {TPC_GETTEXTCOLOR, 0, 0, RGB(4, 5, 6), -50, false},
        {TPC_SETTEXTBARCOLOR, 0, RGB(7, 8, 9), CLR_DEFAULT_COLOR, -50, true},
        {TPC_GETTEXTBARCOLOR, 0, 0, RGB(7, 8, 9), -50, false},
        {TPC_ALIGNTEXT, 2, 0, TRUE, -50, true},
        {TPC_ALIGNTEXT, 3, 0, FALSE, -50, false},  // no such alignment: refused
        {TPC_SETMARQUEEBLOCK, 0, 0, FALSE, -50, false},
        {TPC_SETMARQUEEBLOCK, 101, 0, FALSE, -50, false},
        {TPC_SETMARQUEEBLOCK, 30, 0, 20, -50, true},
        {0x1234, 1, 2, 0, -50, false},
    };
    for (const Step& step : steps) {
        const int before = repaints;
        EXPECT_EQ(model.send(step.message, step.wParam, step.lParam), step.returns) << "message 0x" << std::hex << step.message;
        EXPECT_EQ(model.send(PBM_GETPOS, 0, 0), step.positionAfter) << "after message 0x" << std::hex << step.message;
        EXPECT_EQ(repaints > before, step.repaints) << "repaint after message 0x" << std::hex << step.message;
    }
    EXPECT_EQ(model.align(), TextAlign::right);

    PBRANGE bounds{};
    model.send(PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&bounds));
    EXPECT_EQ(bounds.iLow, -50);
    EXPECT_EQ(bounds.iHigh, 50);

    // An empty range: no division by zero, the bar shows 0 %.
    model.send(PBM_SETRANGE32, 7, 7);
    model.send(PBM_SETPOS, 7, 0);
    EXPECT_EQ(model.fraction(), 0);
    EXPECT_EQ(model.text(), "0%");
    model.send(PBM_SETSTEP, 3, 0);
    model.send(PBM_STEPIT, 0, 0);
    EXPECT_EQ(model.position(), 7);

    // The percentage rounds and follows the window text.
    model.send(PBM_SETRANGE32, 0, 200);
    model.send(PBM_SETPOS, 113, 0);
    model.setText("Stahování ");
    EXPECT_EQ(model.text(), "Stahování 57%");
    EXPECT_EQ(model.send(TPC_SHOWPERCENT, 0, 0), TRUE);  // answers whether it was shown
    EXPECT_EQ(model.text(), "Stahování ");
    EXPECT_EQ(model.send(TPC_SHOWPERCENT, 1, 0), FALSE);

    // Marquee: the timer runs, the percentage goes, the position may run
    // past the upper bound by the block and turns at both ends.
    model.send(PBM_SETRANGE32, 0, 100);
    model.send(TPC_SETMARQUEEBLOCK, 20, 0);
    EXPECT_EQ(model.send(PBM_SETMARQUEE, 1, 30), TRUE);
    EXPECT_EQ(timer, 30u);
    EXPECT_EQ(model.text(), "Stahování ");
    model.send(PBM_SETPOS, 500, 0);
    EXPECT_EQ(model.position(), 120);
    model.send(WM_TIMER, 2, 0);  // another timer: nothing
    EXPECT_EQ(model.position(), 120);
    EXPECT_EQ(model.send(WM_TIMER, kMarqueeTimer, 0), 0);
    EXPECT_EQ(model.position(), 119);
    model.send(WM_TIMER, kMarqueeTimer, 0);
    EXPECT_EQ(model.position(), 118);
    model.send(PBM_SETPOS, 0, 0);
    model.send(WM_TIMER, kMarqueeTimer, 0);
    EXPECT_EQ(model.position(), 1);
    // The end is rounded, not cut: a block of 25 over 7 ends at 9 (8.75).
    model.send(PBM_SETRANGE32, 0, 7);
    model.send(TPC_SETMARQUEEBLOCK, 25, 0);
    model.send(PBM_SETPOS, 500, 0);
    EXPECT_EQ(model.position(), 9);
    model.send(PBM_SETRANGE32, 0, 100);
    EXPECT_EQ(model.send(PBM_SETMARQUEE, 0, 0), TRUE);
    EXPECT_FALSE(timer.has_value());
    EXPECT_FALSE(model.marquee());
    EXPECT_EQ(model.text(), "Stahování ");  // the percentage stays off
    model.send(PBM_SETPOS, 500, 0);
    EXPECT_EQ(model.position(), 100);
}

// Counts the pixels of a 32-bit image whose colour (red, green, blue)
// satisfies `test`, in columns [x0, x1) and rows [y0, y1).
struct Image {
    explicit Image(int width, int height) : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)) {}
    ~Image() { cairo_surface_destroy(surface); }
    void paint(const TextProgressModel& model, BarOrientation orientation = BarOrientation::horizontal) {
        cairo_t* cairo = cairo_create(surface);
        paintProgress(cairo, model, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), orientation);
        cairo_destroy(cairo);
        cairo_surface_flush(surface);
    }
    COLORREF at(int x, int y) const {
        const auto* data = cairo_image_surface_get_data(surface);
        const auto value = *reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(surface) + x * 4);
        return RGB(static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value));
    }
    template <class Test>
    int count(int x0, int x1, int y0, int y1, Test test) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += test(at(x, y)) ? 1 : 0;
        return n;
    }
    cairo_surface_t* surface;
};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
int red(COLORREF c) { return c & 0xFF; }
int green(COLORREF c) { return (c >> 8) & 0xFF; }
int blue(COLORREF c) { return (c >> 16) & 0xFF; }

TEST(TextProgressPaint, BarBackgroundAndTheTextInTwoColoursClippedAtTheBarsEnd) {
    TextProgressModel model;
    model.send(PBM_SETBARCOLOR, 0, kRed);
    model.send(PBM_SETBKCOLOR, 0, kBlue);
    model.send(TPC_SHOWPERCENT, 0, 0);
    Image image(100, 20);
    auto is = [](COLORREF colour) { return [colour](COLORREF c) { return c == colour; }; };

    model.send(PBM_SETPOS, 30, 0);
    image.paint(model);  // no text, no percentage: nothing over the bar
    EXPECT_EQ(image.count(0, 30, 0, 20, is(kRed)), 30 * 20);
    EXPECT_EQ(image.count(30, 100, 0, 20, is(kBlue)), 70 * 20);

    model.send(PBM_SETRANGE32, 5, 5);
    image.paint(model);  // an empty range is an empty bar
    EXPECT_EQ(image.count(0, 100, 0, 20, is(kBlue)), 100 * 20);

    model.send(PBM_SETRANGE32, 0, 100);
    model.send(PBM_SETMARQUEE, 1, 1000);
    model.send(PBM_SETPOS, 60, 0);
    image.paint(model);  // the block of 20 % ends at the position
    EXPECT_EQ(image.count(40, 60, 0, 20, is(kRed)), 20 * 20);
    EXPECT_EQ(image.count(0, 40, 0, 20, is(kBlue)) + image.count(60, 100, 0, 20, is(kBlue)), 80 * 20);
    model.send(PBM_SETMARQUEE, 0, 0);

    Image tall(10, 100);
    model.send(PBM_SETPOS, 25, 0);
    tall.paint(model, BarOrientation::vertical);  // fills from the bottom
    EXPECT_EQ(tall.count(0, 10, 75, 100, is(kRed)), 25 * 10);
    EXPECT_EQ(tall.count(0, 10, 0, 75, is(kBlue)), 75 * 10);

    // The text: green over the background, white over the bar, each cut
    // where the bar ends.
    model.send(TPC_SETTEXTCOLOR, 0, RGB(0, 255, 0));
    model.send(TPC_SETTEXTBARCOLOR, 0, RGB(255, 255, 255));
    model.send(TPC_SHOWPERCENT, 1, 0);
    model.setText("WWWWWWWW ");
    model.send(PBM_SETPOS, 50, 0);
    image.paint(model);
    EXPECT_GT(image.count(0, 50, 0, 20, [](COLORREF c) { return green(c) > 100; }), 0);  // white text on red
    EXPECT_EQ(image.count(0, 50, 0, 20, [](COLORREF c) { return green(c) != blue(c); }), 0);
    EXPECT_GT(image.count(50, 100, 0, 20, [](COLORREF c) { return green(c) > 100; }), 0);  // green text on blue
    EXPECT_EQ(image.count(50, 100, 0, 20, [](COLORREF c) { return red(c) != 0; }), 0);
}

// Pango keeps its fonts for the life of the process; they go at the end,
// so that the leak checker sees less of what is not the controls'. Cairo's
// and fontconfig's own caches stay: tearing those down aborts the process
// when a font is still referenced somewhere.
class FontsReleased : public ::testing::Environment {
public:
    void TearDown() override { pango_cairo_font_map_set_default(nullptr); }
};
const auto* const kFontsReleased = ::testing::AddGlobalTestEnvironment(new FontsReleased);

}  // namespace
}  // namespace halvex::controls

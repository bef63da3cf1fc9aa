// The text progress control in a template dialog on a private X server:
// the pixels on screen are the colours each state calls for, the marquee
// moves by its own timer, and screenshots go to the artifacts folder.
#include <gtest/gtest.h>

#include "halvex/controls/bitmap.h"
#include "halvex/controls/progress_messages.h"
#include "halvex/controls/text_progress_control.h"
#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include "win32/datetime.h"
#include "win32/modules.h"
#include "win32/resources.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testkit/dialog_layout.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/screen_user.h"
#include "testkit/xvfb.h"

namespace halvex::controls {
namespace {

constexpr const char* kTitle = "Tesk ovladaci prvky";
constexpr int kDialogId = 700;
enum : int { kPartial = 701, kEmpty, kMarquee, kVertical };

Pixel rgb(int r, int g, int b) {
    return Pixel{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r), 0};
}

// Handles the thread's messages (the marquee's timer among them) for a
// while: time for a tick that should not come.
void pump(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    }
}

// Handles the thread's messages until the
// condition holds; false after 10 s.
template <class Holds>
bool pumpUntil(Holds holds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (holds()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(5);
    }
}

struct Point {
    int x = 0;
    int y = 0;
};

// The controls, in dialog units; the dialog has no frame on a screen
// without a window manager.
const platform::ui::DialogTemplate& dialogTemplate() {
    using platform::ui::ControlKind;
    static const platform::ui::DialogTemplate dialog{
        kDialogId, 240, 75, "MS Shell Dlg", 8, kTitle,
        {{kPartial, ControlKind::Custom, "", 7, 7, 200, 14, 0, kTextProgressClass},
         {kEmpty, ControlKind::Custom, "", 7, 28, 200, 14, 0, kTextProgressClass},
         {kMarquee, ControlKind::Custom, "", 7, 49, 200, 14, 0, kTextProgressClass},
         {kVertical, ControlKind::Custom, "", 215, 7, 16, 60, PBS_VERTICAL, kTextProgressClass}}};
    return dialog;
}

// Where a control lies on the screen, as the layer laid it out.
RECT onScreen(HWND dialog, int id) {
    const std::string window = testkit::findWindow(kTitle, std::chrono::seconds(10));
    const auto geometry = testkit::run({"xdotool", "getwindowgeometry", "--shell", window});
    Point origin;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("X=", 0) == 0) origin.x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0) origin.y = std::stoi(line.substr(2));
    }
    const RECT place = testkit::placeInDialog(dialog, id);
    return {origin.x + place.left, origin.y + place.top, origin.x + place.right, origin.y + place.bottom};
}

Point at(const RECT& control, int x, int y) { return {control.left + x, control.top + y}; }

struct Screenshot {
    explicit Screenshot(const std::filesystem::path& png) : pixbuf(gdk_pixbuf_new_from_file(png.c_str(), nullptr)) {}
    ~Screenshot() {
        if (pixbuf) g_object_unref(pixbuf);
    }
    Pixel at(Point point) const {
        const guchar* p = gdk_pixbuf_read_pixels(pixbuf) + point.y * gdk_pixbuf_get_rowstride(pixbuf) +
                          point.x * gdk_pixbuf_get_n_channels(pixbuf);
        return rgb(p[0], p[1], p[2]);
    }
    GdkPixbuf* pixbuf;
};

Pixel colour(LRESULT value) { return rgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

::testing::AssertionResult shows(const Pixel& actual, const Pixel& expected) {
    if (sameColour(actual, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "screen shows (" << int(actual.red) << "," << int(actual.green) << ","
                                         << int(actual.blue) << "), expected (" << int(expected.red) << ","
                                         << int(expected.green) << "," << int(expected.blue) << ")";
}

// A colour a point of the screen should show.
struct Expected {
    const char* what;
    Point point;
    Pixel colour;
};

// A screenshot, artifactsDir()/<name>.png, once every point shows its
// colour (the controls have drawn the state last set), taken again for up
// to 10 s; each point that still shows another fails the test.
void expectShown(const testkit::Xvfb& xvfb, const std::string& name, const std::vector<Expected>& points) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const Screenshot shot(xvfb.screenshot(name));
        ASSERT_NE(shot.pixbuf, nullptr);
        const bool all = std::all_of(points.begin(), points.end(),
                                     [&](const Expected& p) { return sameColour(shot.at(p.point), p.colour); });
        if (all) return;
        if (std::chrono::steady_clock::now() > end) {
            for (const auto& p : points) EXPECT_TRUE(shows(shot.at(p.point), p.colour)) << p.what;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

INT_PTR quietProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(ControlsOnScreen, BarsAtTheirPositionsAndTheMarqueeMoving) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::Xvfb xvfb;
    ScopedEnv ui("PLATFORM_UI", "gtk"), backend("GDK_BACKEND", "x11"), renderer("GSK_RENDERER", "cairo"),
        bridge("NO_AT_BRIDGE", "1");
    platform::ui::setBackend(nullptr);
    RegisterTextProgressClass();
    const HINSTANCE module = GetModuleHandleW(nullptr);
    platform::ui::declareDialogTemplate(module, dialogTemplate());
    const HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(kDialogId), nullptr, quietProcedure, 0);
    ASSERT_NE(nullptr, dialog);

    SetDlgItemTextW(dialog, kPartial, u"Stahování ");
    SendDlgItemMessageW(dialog, kPartial, PBM_SETPOS, 37, 0);
    SendDlgItemMessageW(dialog, kEmpty, PBM_SETRANGE32, 0, 0);
    SendDlgItemMessageW(dialog, kVertical, PBM_SETPOS, 60, 0);

    const LRESULT bar = SendDlgItemMessageW(dialog, kPartial, TPC_GETBARCOLOR, 0, 0);
    const LRESULT background = SendDlgItemMessageW(dialog, kPartial, TPC_GETBKCOLOR, 0, 0);
    const RECT partial = onScreen(dialog, kPartial), empty = onScreen(dialog, kEmpty),
               vertical = onScreen(dialog, kVertical);
    const int length = partial.right - partial.left, across = vertical.right - vertical.left,
              height = vertical.bottom - vertical.top;
    expectShown(xvfb, "halvex-controls-bars",
                {{"the partial bar's filled start", at(partial, length / 10, 2), colour(bar)},
                 {"the partial bar's empty end", at(partial, length * 9 / 10, 2), colour(background)},
                 {"the empty bar", at(empty, 3, 2), colour(background)},
                 {"the vertical bar's filled foot", at(vertical, across / 2, height - 3), colour(bar)},
                 {"the vertical bar's empty top", at(vertical, across / 2, 3), colour(background)}});

    // The block moves on its own; a slow timer then holds it for the shot.
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 1, 5);
    EXPECT_TRUE(pumpUntil([&] { return SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0) > 10; }));
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 1, 600000);
    const auto moved = static_cast<int>(SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0));
    EXPECT_GT(moved, 10);
    // The block is a fifth of the bar ending at the position; nothing
    // before or after it is filled.
    const RECT marquee = onScreen(dialog, kMarquee);
    const int width = marquee.right - marquee.left, end = width * moved / 100;
    std::vector<Expected> points{{"the block's end", at(marquee, std::min(end, width) - 3, 2), colour(bar)}};
    if (end - width / 5 - 3 >= 0)
        points.push_back({"before the block", at(marquee, end - width / 5 - 3, 2), colour(background)});
    if (end + 3 < width) points.push_back({"after the block", at(marquee, end + 3, 2), colour(background)});
    expectShown(xvfb, "halvex-controls-marquee", points);
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 0, 0);
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETPOS, 0, 0);
    pump(std::chrono::milliseconds(100));
    EXPECT_EQ(0, SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0));  // stopped: no tick moves it again

    EXPECT_TRUE(DestroyWindow(dialog));
    platform::ui::setBackend(nullptr);
}

}  // namespace
}  // namespace halvex::controls

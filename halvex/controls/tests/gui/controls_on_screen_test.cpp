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

// Handles the thread's messages (the marquee's timer among them) for a while.
void pump(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
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

// Where a point of a control lies on the screen.
Point onScreen(int id, int x, int y) {
    const std::string window = testkit::findWindow(kTitle, std::chrono::seconds(10));
    const auto geometry = testkit::run({"xdotool", "getwindowgeometry", "--shell", window});
    Point origin;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("X=", 0) == 0) origin.x = std::stoi(line.substr(2));
        if (line.rfind("Y=", 0) == 0) origin.y = std::stoi(line.substr(2));
    }
    for (const auto& c : dialogTemplate().controls)
        if (c.id == id) return Point{origin.x + platform::ui::pixelsX(c.x) + x, origin.y + platform::ui::pixelsY(c.y) + y};
    ADD_FAILURE() << "no control " << id;
    return origin;
}

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
    pump(std::chrono::milliseconds(800));

    const LRESULT bar = SendDlgItemMessageW(dialog, kPartial, TPC_GETBARCOLOR, 0, 0);
    const LRESULT background = SendDlgItemMessageW(dialog, kPartial, TPC_GETBKCOLOR, 0, 0);
    {
        const Screenshot shot(xvfb.screenshot("halvex-controls-bars"));
        ASSERT_NE(shot.pixbuf, nullptr);
        EXPECT_TRUE(shows(shot.at(onScreen(kPartial, 30, 2)), colour(bar)));
        EXPECT_TRUE(shows(shot.at(onScreen(kPartial, 270, 2)), colour(background)));
        EXPECT_TRUE(shows(shot.at(onScreen(kEmpty, 3, 2)), colour(background)));
        EXPECT_TRUE(shows(shot.at(onScreen(kVertical, 12, 94)), colour(bar)));
        EXPECT_TRUE(shows(shot.at(onScreen(kVertical, 12, 3)), colour(background)));
    }

    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 1, 5);
    pump(std::chrono::milliseconds(600));
    // The block moved on its own; a slow timer now holds it for the shot.
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 1, 600000);
    const auto moved = static_cast<int>(SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0));
    EXPECT_GT(moved, 10);
    pump(std::chrono::milliseconds(200));
    {
        const Screenshot shot(xvfb.screenshot("halvex-controls-marquee"));
        ASSERT_NE(shot.pixbuf, nullptr);
        // The block is a fifth of the bar ending at the position; nothing
        // before or after it is filled.
        const int end = 300 * moved / 100;
        EXPECT_TRUE(shows(shot.at(onScreen(kMarquee, std::min(end, 300) - 3, 2)), colour(bar)));
        if (end - 63 >= 0) {
            EXPECT_TRUE(shows(shot.at(onScreen(kMarquee, end - 63, 2)), colour(background)));
        }
        if (end + 3 < 300) {
            EXPECT_TRUE(shows(shot.at(onScreen(kMarquee, end + 3, 2)), colour(background)));
        }
    }
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 0, 0);
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETPOS, 0, 0);
    pump(std::chrono::milliseconds(100));
    EXPECT_EQ(0, SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0));  // stopped: no tick moves it again

    EXPECT_TRUE(DestroyWindow(dialog));
    platform::ui::setBackend(nullptr);
}

}  // namespace
}  // namespace halvex::controls

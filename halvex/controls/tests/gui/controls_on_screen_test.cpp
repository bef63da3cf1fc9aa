// The text progress control in a template dialog on a private X server:
// the pixels on screen are the colours each state calls for, the marquee
// moves by its own timer, and screenshots go to the artifacts folder.
#include <gtest/gtest.h>

#include "halvex/controls/progress_messages.h"
#include "halvex/controls/text_progress_control.h"
#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include "win32/datetime.h"
#include "win32/modules.h"
#include "win32/resources.h"

#include <algorithm>
#include <chrono>
#include <string>
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

// A point of a control, from its top left corner, that must show the
// colour (a COLORREF).
testkit::Pixels point(const char* what, const RECT& control, int x, int y, LRESULT colour) {
    return {what, control.left + x, control.top + y, control.left + x + 1, control.top + y + 1,
            testkit::colourName(static_cast<std::uint32_t>(colour))};
}

// A screenshot, artifactsDir()/<name>.png, once every point shows its
// colour (the controls have drawn the state last set); each point that
// does not fails the test.
void expectShown(const testkit::Xvfb& xvfb, const std::string& name, const std::vector<testkit::Pixels>& points) {
    EXPECT_NO_THROW(xvfb.screenshotShowing(name, testkit::findWindow(kTitle), points));
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
    const RECT partial = testkit::placeInDialog(dialog, kPartial), empty = testkit::placeInDialog(dialog, kEmpty),
               vertical = testkit::placeInDialog(dialog, kVertical);
    const int length = partial.right - partial.left, across = vertical.right - vertical.left,
              height = vertical.bottom - vertical.top;
    expectShown(xvfb, "halvex-controls-bars",
                {point("the partial bar's filled start", partial, length / 10, 2, bar),
                 point("the partial bar's empty end", partial, length * 9 / 10, 2, background),
                 point("the empty bar", empty, 3, 2, background),
                 point("the vertical bar's filled foot", vertical, across / 2, height - 3, bar),
                 point("the vertical bar's empty top", vertical, across / 2, 3, background)});

    // The block moves on its own; a slow timer then holds it for the shot.
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 1, 5);
    EXPECT_TRUE(pumpUntil([&] { return SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0) > 10; }));
    SendDlgItemMessageW(dialog, kMarquee, PBM_SETMARQUEE, 1, 600000);
    const auto moved = static_cast<int>(SendDlgItemMessageW(dialog, kMarquee, PBM_GETPOS, 0, 0));
    EXPECT_GT(moved, 10);
    // The block is a fifth of the bar ending at the position; nothing
    // before or after it is filled.
    const RECT marquee = testkit::placeInDialog(dialog, kMarquee);
    const int width = marquee.right - marquee.left, end = width * moved / 100;
    std::vector<testkit::Pixels> points{point("the block's end", marquee, std::min(end, width) - 3, 2, bar)};
    if (end - width / 5 - 3 >= 0) points.push_back(point("before the block", marquee, end - width / 5 - 3, 2, background));
    if (end + 3 < width) points.push_back(point("after the block", marquee, end + 3, 2, background));
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

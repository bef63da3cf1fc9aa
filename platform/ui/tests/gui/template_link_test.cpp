// A static of a template dialog turned into a hyperlink, in the GTK
// window: drawn dark blue, underlined while the pointer is over it and no
// longer once it has left, and a click on it the dialog's command.
#include <cstdint>
#include <filesystem>
#include <future>
#include <string>

#include "on_screen.h"
#include "platform/dialog_templates.h"
#include "testkit/screen_pixels.h"
#include "testkit/xvfb.h"
#include "win32/dialogs.h"
#include "win32/hyperlink.h"

using on_screen::OnScreen;

namespace {

constexpr int kDialogId = 340;
constexpr int kSigner = 205;
HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7400});

INT_PTR linkProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        ConvertStaticToHyperlink(dialog, kSigner);
        return TRUE;
    }
    if (message == WM_COMMAND) EndDialog(dialog, LOWORD(wParam));
    return message == WM_COMMAND ? TRUE : FALSE;
}

}  // namespace

TEST_F(OnScreen, AStaticTurnedIntoAHyperlinkIsDarkBlueUnderlinedUnderThePointerAndClicked) {
    using K = platform::ui::ControlKind;
    platform::ui::declareDialogTemplate(
        kModule, {kDialogId, 200, 50, "MS Shell Dlg", 8, "Odkaz na certifikát",
                  {{kSigner, K::Static, "Jan Novák, Orvanta a.s.", 10, 10, 180, 10},
                   {IDOK, K::DefaultButton, "OK", 75, 30, 50, 14}}});
    auto person = std::async(std::launch::async, [this] {
        testkit::pointerTo("", 1200, 1000);
        const std::string window = testkit::findWindow("Odkaz na certifikát");
        ASSERT_FALSE(window.empty()) << "no dialog came";
        const testkit::Xvfb& screen = m_user->screen();
        const auto darkBlue = [](const auto& shot, const auto& whole) {
            return testkit::pixelsNear(shot, "#0000C0", whole) > 20 ? "" : "no dark blue text";
        };
        std::filesystem::path plain;
        EXPECT_NO_THROW(plain = screen.screenshotShowing("ui-template-link", window, darkBlue));
        // The band of the window above its button, where the link is:
        // the pixels in which it differs from the plain shot.
        const auto changed = [&](const auto& shot, const testkit::ScreenRegion& whole) {
            return testkit::differentPixels(plain, shot, whole.part(0, 0, whole.width, 40));
        };

        // The link's text starts at 10, 10 dialog units.
        testkit::pointerTo(window, 40, 23);
        const auto underlined = [&](const auto& shot, const auto& whole) {
            return changed(shot, whole) > 10 ? "" : "not underlined under the pointer";
        };
        EXPECT_NO_THROW(screen.screenshotShowing("ui-template-link-hovered", window, underlined));
        testkit::pointerTo("", 1200, 1000);
        const auto plainAgain = [&](const auto& shot, const auto& whole) {
            return changed(shot, whole) == 0 ? "" : "still underlined";
        };
        EXPECT_NO_THROW(screen.screenshotShowing("ui-template-link-left", window, plainAgain));

        testkit::pointerTo(window, 40, 23);
        const auto clicked = testkit::run({"xdotool", "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
    });
    EXPECT_EQ(kSigner, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, linkProcedure, 0));
    person.get();
}

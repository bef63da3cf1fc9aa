// A static of a template dialog turned into a hyperlink, in the GTK
// window: drawn dark blue, underlined while the pointer is over it and no
// longer once it has left, and a click on it the dialog's command.
#include <cstdint>
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
    auto person = std::async(std::launch::async, [] {
        testkit::pointerTo("", 1200, 1000);
        const std::string window = testkit::findWindow("Odkaz na certifikát");
        ASSERT_FALSE(window.empty()) << "no dialog came";
        const auto whole = testkit::windowRegion(window);
        const auto darkBlue = [&](const auto& file) { return testkit::pixelsNear(file, "#0000C0", whole); };
        const auto plain = testkit::shotUntil("ui-template-link", [&](const auto& file) { return darkBlue(file) > 20; });
        EXPECT_GT(darkBlue(plain), 20) << "no dark blue text in " << plain;
        // The band of the window above its button, where the link is.
        const auto band = whole.part(0, 0, whole.width, 40);

        // The link's text starts at 10, 10 dialog units.
        testkit::pointerTo(window, 40, 23);
        const auto hovered = testkit::shotUntil("ui-template-link-hovered", [&](const auto& file) {
            return testkit::differentPixels(plain, file, band) > 10;
        });
        EXPECT_GT(testkit::differentPixels(plain, hovered, band), 10) << "not underlined under the pointer: " << hovered;
        testkit::pointerTo("", 1200, 1000);
        const auto left = testkit::shotUntil("ui-template-link-left", [&](const auto& file) {
            return testkit::differentPixels(plain, file, band) == 0;
        });
        EXPECT_EQ(0, testkit::differentPixels(plain, left, band)) << "still underlined: " << left;

        testkit::pointerTo(window, 40, 23);
        const auto clicked = testkit::run({"xdotool", "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
    });
    EXPECT_EQ(kSigner, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, linkProcedure, 0));
    person.get();
}

// A static of a template dialog turned into a hyperlink, in the GTK
// window: drawn dark blue, underlined while the pointer is over it and no
// longer once it has left, and a click on it the dialog's command.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "on_screen.h"
#include "platform/dialog_templates.h"
#include "testkit/dialog_layout.h"
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

// The pixels in which two screenshots differ within the region (ImageMagick's
// WxH+X+Y); the button's focus ring fades as the pointer moves.
int differentPixels(const std::filesystem::path& a, const std::filesystem::path& b, const std::string& region) {
    const auto compared = testkit::run(
        {"compare", "-metric", "AE", a.string() + "[" + region + "]", b.string() + "[" + region + "]", "null:"});
    return std::atoi(compared.err.c_str());
}

// The band of the window above its button, where the link is: 30 dialog
// units high at most.
std::string linkBand(const std::string& window) {
    const auto geometry = testkit::run({"xdotool", "getwindowgeometry", "--shell", window});
    int x = 0, y = 0, width = 0;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("X=", 0) == 0) x = std::atoi(line.c_str() + 2);
        if (line.rfind("Y=", 0) == 0) y = std::atoi(line.c_str() + 2);
        if (line.rfind("WIDTH=", 0) == 0) width = std::atoi(line.c_str() + 6);
    }
    return std::to_string(width) + "x40+" + std::to_string(x) + "+" + std::to_string(y);
}

// Takes screenshots until one holds what `shows` wants, for at most ten
// seconds; the last one.
template <class Shows>
std::filesystem::path shotShowing(const testkit::Xvfb& screen, const std::string& name, Shows shows) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto file = screen.screenshot(name);
    while (!shows(file) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        file = screen.screenshot(name);
    }
    return file;
}

void pointerTo(const std::string& window, int x, int y) {
    const std::vector<std::string> command =
        window.empty() ? std::vector<std::string>{"xdotool", "mousemove", std::to_string(x), std::to_string(y)}
                       : std::vector<std::string>{"xdotool", "mousemove", "--window", window, std::to_string(x),
                                                  std::to_string(y)};
    const auto moved = testkit::run(command);
    EXPECT_EQ(0, moved.exitCode) << moved.err;
}

}  // namespace

TEST_F(OnScreen, AStaticTurnedIntoAHyperlinkIsDarkBlueUnderlinedUnderThePointerAndClicked) {
    using K = platform::ui::ControlKind;
    platform::ui::declareDialogTemplate(
        kModule, {kDialogId, 200, 50, "MS Shell Dlg", 8, "Odkaz na certifikát",
                  {{kSigner, K::Static, "Jan Novák, Orvanta a.s.", 10, 10, 180, 10},
                   {IDOK, K::DefaultButton, "OK", 75, 30, 50, 14}}});
    auto person = std::async(std::launch::async, [this] {
        pointerTo("", 1200, 1000);
        const std::string window = testkit::findWindow("Odkaz na certifikát");
        ASSERT_FALSE(window.empty()) << "no dialog came";
        const testkit::Xvfb& screen = m_user->screen();
        const RECT link = testkit::placeInDialog(testkit::shownDialog("Odkaz na certifikát"), kSigner);
        std::filesystem::path plain;
        EXPECT_NO_THROW(plain = screen.screenshotShowing(
                            "ui-template-link", window,
                            {{"the link's dark blue", link.left, link.top, link.right, link.bottom, "#0000C0", 0.01}}));
        const std::string band = linkBand(window);

        // The link's text starts at 10, 10 dialog units.
        pointerTo(window, 40, 23);
        const auto hovered = shotShowing(screen, "ui-template-link-hovered",
                                         [&](const auto& file) { return differentPixels(plain, file, band) > 10; });
        EXPECT_GT(differentPixels(plain, hovered, band), 10) << "not underlined under the pointer: " << hovered;
        pointerTo("", 1200, 1000);
        const auto left = shotShowing(screen, "ui-template-link-left",
                                      [&](const auto& file) { return differentPixels(plain, file, band) == 0; });
        EXPECT_EQ(0, differentPixels(plain, left, band)) << "still underlined: " << left;

        pointerTo(window, 40, 23);
        const auto clicked = testkit::run({"xdotool", "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
    });
    EXPECT_EQ(kSigner, DialogBoxParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, linkProcedure, 0));
    person.get();
}

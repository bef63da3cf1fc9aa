// The update step's windows on an X server of the test's own: the question
// after a newer version was found, answered No, and the what's-new page in
// WebKitGTK with the notes since the stored version, closed by
// "Pokračovat" from the keyboard; answered Yes, the download dialog with
// its text progress control partly filled, its colours read from the
// screenshot; screenshots in the artifacts folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <cstdio>
#include <future>
#include <sstream>
#include <string>
#include <thread>

#include "download_dialog.h"
#include "halvex/controls/progress_messages.h"
#include "halvex/files_and_paths.h"
#include "halvex/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/dialog_layout.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "../recording_updater.h"
#include "update_step.h"
#include "upgrade_info_dialog.h"
#include "win32/datetime.h"

namespace {

namespace fs = std::filesystem;

struct Point {
    int x = 0;
    int y = 0;
};

// Where the window of that title lies on the screen.
Point windowOrigin(const std::string& title) {
    const auto geometry = testkit::run({"xdotool", "getwindowgeometry", "--shell", testkit::findWindow(title)});
    Point origin;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("X=")) origin.x = std::stoi(line.substr(2));
        if (line.starts_with("Y=")) origin.y = std::stoi(line.substr(2));
    }
    return origin;
}

// The colour of a screenshot's pixel as 0x00BBGGRR, read by ImageMagick.
long pixelAt(const fs::path& png, Point at) {
    const auto pixel = testkit::run({"convert", png.string(), "-crop", "1x1+" + std::to_string(at.x) + "+" +
                                     std::to_string(at.y), "-depth", "8", "txt:-"});
    const auto hash = pixel.out.find('#', pixel.out.find('\n'));  // after the header line
    if (hash == std::string::npos) return -1;
    const long rgb = std::stol(pixel.out.substr(hash + 1, 6), nullptr, 16);
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

TEST(UpdateStepOnScreen, ANewerVersionIsAskedAboutAndNoLeadsToTheNotesUntilContinueIsPressed) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    testkit::ScreenUser user;
    platform::ui::setBackend(nullptr);
    const fs::path program = root.path() / "program";
    testkit::writeFile(program / "Versions.xml",
                       "<versions><version val='1.4.4.4'><change lang='CZ'>"
                       "<entry title='Rychlejší podpis'>Podpis žádosti trvá kratší dobu.</entry>"
                       "<entry title='Oprava &lt;tisku&gt;'>Tisk souhrnu žádosti na jednu stránku.</entry>"
                       "</change></version></versions>");
    ASSERT_TRUE(halvex::WriteProfileString(halvex::kWorkspaceSection, u"AppVersion", u"1.4.4.3"));

    halvex::UpdateIdentity identity;
    identity.description = u"Tesk Halvex cz";
    identity.fileVersion = u"1.4.4.4";
    identity.programFolder = platform::text::fromUtf8(program.string() + "/");
    identity.userDataFolder = platform::text::fromUtf8(root.path().string() + "/");
    shell_tests::RecordingUpdater updater;
    updater.available = 1;

    // The question (its caption is the program's name), No by its mnemonic;
    // then the page, whose one focusable element is the button: Tab reaches
    // it, Return presses it. The person looks at the page once it shows.
    auto person = std::async(std::launch::async, [&] {
        user.answer(platform::text::toUtf8(halvex::GetProgramName()), "alt+n", "halvex-update-question");
        user.answer("Halvex", "Tab Return", "halvex-whats-new");
    });
    halvex::UpdateContext context;
    EXPECT_TRUE(halvex::CheckForUpdates(context, updater.table(), identity));
    halvex::ReleaseUpdater(context, updater.table());
    person.get();
    EXPECT_EQ(u"1.4.4.4", halvex::GetProfileString(halvex::kWorkspaceSection, u"AppVersion", u""));
    platform::ui::setBackend(nullptr);
}

TEST(UpdateStepOnScreen, YesShowsTheDownloadDialogWhoseBarFollowsTheDownload) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    testkit::ScreenUser user;
    platform::ui::setBackend(nullptr);
    halvex::UpdateIdentity identity;
    identity.description = u"Tesk Halvex cz";
    identity.fileVersion = u"1.4.4.4";
    identity.programFolder = platform::text::fromUtf8((root.path() / "program").string() + "/");
    identity.userDataFolder = platform::text::fromUtf8(root.path().string() + "/");
    shell_tests::RecordingUpdater updater;
    updater.available = 1;
    updater.progress = {{200, 90}};

    // The download holds at 45 % until the person has looked at the dialog.
    std::promise<void> barShown;
    std::promise<void> looked;
    auto lookedAt = looked.get_future();
    long shownPosition = -1;
    LRESULT barColour = 0, backgroundColour = 0;
    RECT barPlace{};
    updater.onProgress = [&] {
        const HWND dialog = halvex::DownloadDialogWindow();
        for (int i = 0; i < 200 && shownPosition != 45; ++i) {
            shownPosition = SendDlgItemMessageW(dialog, halvex::kDownloadBarId, PBM_GETPOS, 0, 0);
            Sleep(10);
        }
        barColour = SendDlgItemMessageW(dialog, halvex::kDownloadBarId, TPC_GETBARCOLOR, 0, 0);
        backgroundColour = SendDlgItemMessageW(dialog, halvex::kDownloadBarId, TPC_GETBKCOLOR, 0, 0);
        barShown.set_value();
        lookedAt.wait_for(std::chrono::seconds(30));
        barPlace = testkit::placeInDialog(dialog, halvex::kDownloadBarId);
    };
    Point dialogAt;
    auto person = std::async(std::launch::async, [&] {
        user.answer(platform::text::toUtf8(halvex::GetProgramName()), "alt+a", "halvex-update-yes");
        barShown.get_future().wait_for(std::chrono::seconds(30));
        user.look("Halvex", "halvex-download");
        dialogAt = windowOrigin("Halvex");
        looked.set_value();
    });
    halvex::UpdateContext context;
    EXPECT_TRUE(halvex::CheckForUpdates(context, updater.table(), identity));
    halvex::ReleaseUpdater(context, updater.table());
    person.get();
    EXPECT_EQ(45, shownPosition);
    // The bar, where the dialog's layout put it, is filled to 45 % in its
    // own colour, the rest in its background colour.
    const fs::path shot = testkit::artifactsDir() / "halvex-download.png";
    const int left = dialogAt.x + barPlace.left, top = dialogAt.y + barPlace.top;
    const int filled = (barPlace.right - barPlace.left) * 45 / 100, width = barPlace.right - barPlace.left;
    EXPECT_EQ(barColour, pixelAt(shot, {left + 4, top + 2}));
    EXPECT_EQ(barColour, pixelAt(shot, {left + filled - 4, top + 2}));
    EXPECT_EQ(backgroundColour, pixelAt(shot, {left + filled + 4, top + 2}));
    EXPECT_EQ(backgroundColour, pixelAt(shot, {left + width - 4, top + 2}));
    EXPECT_EQ("close", updater.calls.back());
    EXPECT_EQ(nullptr, halvex::DownloadDialogWindow());
    platform::ui::setBackend(nullptr);
}

}  // namespace

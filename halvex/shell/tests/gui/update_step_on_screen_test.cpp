// The update step's windows on an X server of the test's own: the question
// after a newer version was found, answered No, and the what's-new page in
// WebKitGTK with the notes since the stored version, closed by
// "Pokračovat" from the keyboard; answered Yes, the download dialog with
// its bar partly filled; screenshots in the artifacts folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "download_dialog.h"
#include "halvex/files_and_paths.h"
#include "halvex/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "../recording_updater.h"
#include "update_step.h"
#include "upgrade_info_dialog.h"
#include "win32/commctrl.h"
#include "win32/datetime.h"

namespace {

namespace fs = std::filesystem;

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
    // it, Return presses it. The person looks at the page once it has had
    // time to load.
    auto person = std::async(std::launch::async, [&] {
        user.answer(platform::text::toUtf8(halvex::GetProgramName()), "alt+n", "halvex-update-question");
        std::this_thread::sleep_for(std::chrono::seconds(5));
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
    updater.onProgress = [&] {
        const HWND dialog = halvex::DownloadDialogWindow();
        for (int i = 0; i < 200 && shownPosition != 45; ++i) {
            shownPosition = SendDlgItemMessageW(dialog, halvex::kDownloadBarId, PBM_GETPOS, 0, 0);
            Sleep(10);
        }
        barShown.set_value();
        lookedAt.wait_for(std::chrono::seconds(30));
    };
    auto person = std::async(std::launch::async, [&] {
        user.answer(platform::text::toUtf8(halvex::GetProgramName()), "alt+a", "halvex-update-yes");
        barShown.get_future().wait_for(std::chrono::seconds(30));
        user.answer("Halvex", "shift", "halvex-download");
        looked.set_value();
    });
    halvex::UpdateContext context;
    EXPECT_TRUE(halvex::CheckForUpdates(context, updater.table(), identity));
    halvex::ReleaseUpdater(context, updater.table());
    person.get();
    EXPECT_EQ(45, shownPosition);
    EXPECT_EQ("close", updater.calls.back());
    EXPECT_EQ(nullptr, halvex::DownloadDialogWindow());
    platform::ui::setBackend(nullptr);
}

}  // namespace

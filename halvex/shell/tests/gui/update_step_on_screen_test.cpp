// The update step's windows on an X server of the test's own: the question
// after a newer version was found, answered No, and the what's-new page in
// WebKitGTK with the notes since the stored version, closed by
// "Pokračovat" from the keyboard; answered Yes, the download dialog with
// its text progress control partly filled, its colours read from the
// screenshot; screenshots in the artifacts folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

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
        user.answer(platform::text::toUtf8(halvex::GetProgramName()), "alt+n",
                    {"halvex-update-question", {"Je k dispozici nová verze aplikace.", "Přejete si provést aktualizaci na nejnovější verzi?"}});
        user.answer("Halvex", "Tab Return",
                    {"halvex-whats-new", {"Rychlejší podpis", "Podpis žádosti trvá kratší dobu.", "Oprava <tisku>",
                                          "Tisk souhrnu žádosti na jednu stránku.", "Pokračovat"}});
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

    // The download holds at 45 % until the person has looked at the dialog
    // and its bar, where the dialog's layout put it: filled to 45 % in its
    // own colour, the rest in its background colour.
    std::promise<void> barShown;
    std::promise<void> looked;
    auto lookedAt = looked.get_future();
    long shownPosition = -1;
    std::vector<testkit::Pixels> bar;
    updater.onProgress = [&] {
        const HWND dialog = halvex::DownloadDialogWindow();
        for (int i = 0; i < 200 && shownPosition != 45; ++i) {
            shownPosition = SendDlgItemMessageW(dialog, halvex::kDownloadBarId, PBM_GETPOS, 0, 0);
            Sleep(10);
        }
        const RECT place = testkit::placeInDialog(dialog, halvex::kDownloadBarId);
        const int filled = place.left + (place.right - place.left) * 45 / 100;
        bar = {{"the bar's filled part", place.left + 3, place.top + 2, filled - 3, place.bottom - 2,
                testkit::colourName(SendDlgItemMessageW(dialog, halvex::kDownloadBarId, TPC_GETBARCOLOR, 0, 0)), 0.8},
               {"the bar's empty part", filled + 3, place.top + 2, place.right - 3, place.bottom - 2,
                testkit::colourName(SendDlgItemMessageW(dialog, halvex::kDownloadBarId, TPC_GETBKCOLOR, 0, 0)), 0.8}};
        barShown.set_value();
        lookedAt.wait_for(std::chrono::seconds(30));
    };
    auto person = std::async(std::launch::async, [&] {
        user.answer(platform::text::toUtf8(halvex::GetProgramName()), "alt+a", {"halvex-update-yes", {"Je k dispozici nová verze aplikace.", "Přejete si provést aktualizaci na nejnovější verzi?"}});
        barShown.get_future().wait_for(std::chrono::seconds(30));
        user.look("Halvex", {"halvex-download", {"Probíhá stažení nejnovější verze aplikace"}});
        EXPECT_NO_THROW(user.screen().screenshotShowing("halvex-download-bar", testkit::findWindow("Halvex"), bar));
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

// The update step over a recording upgrade client: what the client is
// given, that any failing call of it leaves the program going with the
// what's-new step still done, the wait dialog and the question, the
// download under its dialog and the hand-over closing the program, and the
// what's-new page once per new version from the program's own folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "download_dialog.h"
#include "halvex/log.h"
#include "halvex/profile.h"
#include "platform/ansi_name.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "main_frame.h"
#include "testkit/process.h"
#include "recording_updater.h"
#include "update_download.h"
#include "update_step.h"
#include "upgrade_info_dialog.h"
#include "win32/commctrl.h"
#include "win32/datetime.h"
#include "win32/messages.h"

namespace {

namespace fs = std::filesystem;
namespace script = platform::ui::script;
using platform::text::fromUtf8;
using platform::text::toUtf8;

constexpr char kVersions[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<versions>
  <version val="1.4.4.3"><change lang="CZ"><entry title="Starší">už známé</entry></change></version>
  <version val="1.4.4.4">
    <change lang="SK"><entry title="Slovensky">len po slovensky</entry></change>
    <change lang="CZ"><entry title="Podpis &amp; &lt;b&gt;">rychlejší &lt;script&gt;x()&lt;/script&gt;</entry>
                      <entry title="Oprava">tisk</entry></change>
  </version>
  <version val="1.4.4.5"><change lang="CZ"><entry title="Budoucí">ještě ne</entry></change></version>
</versions>
)";

constexpr char kQuestion[] = "Je k dispozici nová verze aplikace.\nPřejete si provést aktualizaci";

std::string controlText(HWND dialog, int id) {
    char16_t text[256] = {};
    SendDlgItemMessageW(dialog, id, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return toUtf8(text);
}

// The transcript's records of the download dialog's bar changing what it
// shows.
std::vector<std::string> barChanges() {
    std::vector<std::string> changes;
    for (const std::string& line : script::transcript())
        if (line.starts_with("Dialog 33201 33200 ")) changes.push_back(line.substr(19));
    return changes;
}

// What the open download dialog shows, read from the downloading thread
// once its bar has reached the percent (or a second has passed): the bar's
// position and its text as the transcript last gave it.
std::string downloadDialogShowing(int percent) {
    const HWND dialog = halvex::DownloadDialogWindow();
    if (!dialog) return "no dialog";
    for (int i = 0; i < 100 && SendDlgItemMessageW(dialog, halvex::kDownloadBarId, PBM_GETPOS, 0, 0) != percent; ++i)
        Sleep(10);
    const auto changes = barChanges();
    return std::to_string(SendDlgItemMessageW(dialog, halvex::kDownloadBarId, PBM_GETPOS, 0, 0)) + " " +
           (changes.empty() ? "\"\"" : changes.back());
}

class UpdateStep : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        script::clear();
        fs::create_directories(programFolder);
        fs::create_directories(userData);
        halvex::TLogFile::GetInstance().SetPath(fromUtf8((root.path() / "halvex.log").string()));
        halvex::TLogFile::GetInstance().Init(true, true);
        identity.description = u"Tesk Halvex cz";
        identity.fileVersion = u"1.4.4.4";
        identity.programFolder = fromUtf8(programFolder.string() + "/");
        identity.userDataFolder = fromUtf8(userData.string() + "/");
        identity.environment = halvex::kEnvironmentProduction;
    }
    void TearDown() override { halvex::TLogFile::GetInstance().Init(false, false); }

    // Runs the step and its release; the answers queued must all be used.
    bool runStep() {
        halvex::UpdateContext context;
        const bool ran = halvex::CheckForUpdates(context, updater.table(), identity);
        halvex::ReleaseUpdater(context, updater.table());
        EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
        return ran;
    }

    void storeAppVersion(const std::u16string& version) {
        ASSERT_TRUE(halvex::WriteProfileString(halvex::kWorkspaceSection, u"AppVersion", version));
    }
    std::u16string appVersion() const {
        return halvex::GetProfileString(halvex::kWorkspaceSection, u"AppVersion", u"<none>");
    }
    std::string log() const { return root.read("halvex.log"); }

    testkit::PlatformRoot root;
    fs::path programFolder = root.path() / "Program Files" / "Příliš žluťoučký kůň";
    fs::path userData = root.path() / "local" / "Halvex";
    halvex::UpdateIdentity identity;
    shell_tests::RecordingUpdater updater;
};

TEST_F(UpdateStep, TheClientGetsThisProgramsConfigurationOverHttpsInItsLanguage) {
    ASSERT_TRUE(runStep());
    EXPECT_EQ((std::vector<std::string>{"setLogLevel 1", "loadConfiguration", "init", "setCallback", "checkUpdates",
                                        "close"}),
              updater.calls);
    const lumvar::Config& config = updater.config;
    EXPECT_EQ(1, config.isLoaded());
    EXPECT_EQ(u"LUMVAR", config.getAgentName());
    EXPECT_EQ("Tesk Halvex", config.getClientApp());
    EXPECT_EQ("Tesk Halvex cz", config.getDistroID());
    EXPECT_EQ(identity.programFolder, config.getProgramPath());
    EXPECT_EQ(identity.programFolder, config.getDllPath());
    EXPECT_EQ(identity.userDataFolder + u"UpdateDownload/", config.getDownloadPath());
    EXPECT_TRUE(fs::is_directory(userData / "UpdateDownload"));
    // The schemas' folder in ANSI, as the client reads it.
    EXPECT_EQ(platform::paths::toAnsiName(programFolder / "RelaxNG") + "\\", config.getRelaxNGPath());
    EXPECT_EQ((std::vector<std::uint32_t>{1, 4, 4, 4}), *config.getVersion());
    EXPECT_EQ(lumvar::Czech, config.getLang());
    const std::string production = config.getAddress();
    EXPECT_TRUE(production.starts_with("https://")) << production;
    EXPECT_NE(std::string::npos, log().find("Update settings:")) << log();
    EXPECT_NE(std::string::npos, log().find("Address = " + production)) << log();
    EXPECT_NE(std::string::npos, log().find("DownlaodPath = " + platform::paths::toAnsiName(userData) + "/UpdateDownload/")) << log();

    // The description's end picks the language; the environment the server.
    identity.description = u"Tesk Halvex sk";
    identity.environment = halvex::kEnvironmentTest;
    ASSERT_TRUE(runStep());
    EXPECT_EQ(lumvar::Slovak, updater.config.getLang());
    const std::string test = updater.config.getAddress();
    EXPECT_TRUE(test.starts_with("https://")) << test;
    EXPECT_NE(production, test);
    EXPECT_TRUE(test.ends_with("/cgi-bin/upgradeapp.cgi")) << test;

    identity.description = u"Tesk Halvex";
    ASSERT_TRUE(runStep());
    EXPECT_EQ(lumvar::English, updater.config.getLang());

    // No server for an unknown environment: the client refuses the
    // configuration and the step ends there.
    identity.environment = 5;
    updater.calls.clear();
    ASSERT_TRUE(runStep());
    EXPECT_EQ(0, updater.config.isLoaded());

    // A program folder the ANSI page cannot hold is not handed to the
    // client under another name: the step ends before the configuration.
    identity.environment = halvex::kEnvironmentProduction;
    identity.programFolder = platform::paths::toWide(root.path() / "プログラム") + u"/";
    updater = shell_tests::RecordingUpdater{};
    EXPECT_FALSE(runStep());
    EXPECT_EQ((std::vector<std::string>{"setLogLevel 1"}), updater.calls);
}

TEST_F(UpdateStep, AFailingClientCallEndsTheStepQuietlyAndTheWhatsNewStepStillRuns) {
    for (const std::string call : {"setLogLevel 1", "loadConfiguration", "init", "setCallback", "checkUpdates"}) {
        SCOPED_TRACE(call);
        script::clear();
        updater = shell_tests::RecordingUpdater{};
        updater.failing = call;
        updater.failure = call == "checkUpdates" ? 8018 : 8031;
        updater.available = 1;
        storeAppVersion(u"1.0.0.0");
        ASSERT_TRUE(runStep());
        // Nothing after the failing call but the close, and the close only
        // when the client was initialised.
        const auto failed = std::find(updater.calls.begin(), updater.calls.end(), call);
        ASSERT_NE(updater.calls.end(), failed);
        const bool initialised = std::find(updater.calls.begin(), failed, "init") != failed;
        EXPECT_EQ(initialised ? 2 : 1, updater.calls.end() - failed) << testing::PrintToString(updater.calls);
        if (initialised) {
            EXPECT_EQ("close", updater.calls.back());
        }
        for (const std::string& line : script::transcript()) EXPECT_EQ(std::string::npos, line.find("MessageBox"));
        EXPECT_EQ(u"1.4.4.4", appVersion());
    }
    // The download folder that cannot be made ends the step before the
    // what's-new step.
    script::clear();
    updater = shell_tests::RecordingUpdater{};
    storeAppVersion(u"1.0.0.0");
    fs::remove_all(userData / "UpdateDownload");
    testkit::writeFile(userData / "UpdateDownload", "a file in the way");
    halvex::UpdateContext context;
    EXPECT_FALSE(halvex::CheckForUpdates(context, updater.table(), identity));
    halvex::ReleaseUpdater(context, updater.table());
    EXPECT_EQ((std::vector<std::string>{"setLogLevel 1"}), updater.calls);
    EXPECT_EQ(u"1.0.0.0", appVersion());
}

TEST_F(UpdateStep, ANewerVersionIsAskedAboutAfterTheWaitDialogAndNoStillLeadsToTheWhatsNewPage) {
    updater.available = 1;
    storeAppVersion(u"1.4.4.3");
    testkit::writeFile(programFolder / "Versions.xml", kVersions);
    script::queue("MessageBox", "IDNO", "Je k dispozici nová verze aplikace.\nPřejete si provést aktualizaci");
    script::queue("Page", "click:ButtonOK");
    ASSERT_TRUE(runStep());
    const auto transcript = script::transcript();
    ASSERT_GE(transcript.size(), 4u) << testing::PrintToString(transcript);
    EXPECT_NE(std::string::npos, transcript[0].find("Probíhá ověřování dostupnosti nové verze aplikace..."))
        << transcript[0];
    EXPECT_EQ("Dialog 101 shown", transcript[1]);
    EXPECT_EQ("Dialog 101 destroyed", transcript[2]);
    EXPECT_NE(std::string::npos, transcript[3].find("MessageBox")) << transcript[3];
    EXPECT_EQ(u"1.4.4.4", appVersion());
}

TEST_F(UpdateStep, YesDownloadsUnderTheDialogWhoseBarFollowsTheProgressThenTheProgramGoesOn) {
    updater.available = 1;
    script::queue("MessageBox", "IDYES", kQuestion);
    // 3 of 200 is 1.5 %: the percentage shows from 1 % on; more than the
    // total is a full bar.
    updater.progress = {{200, 0}, {200, 3}, {200, 100}, {200, 250}};
    const std::vector<int> percents = {0, 1, 50, 100};
    std::vector<std::string> shown;
    std::string dialogText;
    updater.onProgress = [&] {
        shown.push_back(downloadDialogShowing(percents[shown.size()]));
        dialogText = controlText(halvex::DownloadDialogWindow(), halvex::kDownloadTextId);
    };
    ASSERT_TRUE(runStep());
    EXPECT_EQ((std::vector<std::string>{"0 \"\"", "1 \"1%\"", "50 \"50%\"", "100 \"100%\""}), shown);
    const auto transcript = script::transcript();
    const auto dialog = std::find_if(transcript.begin(), transcript.end(),
                                     [](const std::string& line) { return line.starts_with("Dialog 33201"); });
    ASSERT_NE(transcript.end(), dialog) << testing::PrintToString(transcript);
    // The bar is the text progress control; it shows its percentage itself.
    EXPECT_TRUE(dialog->ends_with("| 33200 CTextProgressCtrl \"\"")) << *dialog;
    EXPECT_EQ((std::vector<std::string>{"\"1%\"", "\"50%\"", "\"100%\""}), barChanges());
    EXPECT_TRUE(dialogText.starts_with("Probíhá stažení nejnovější verze aplikace")) << dialogText;
    EXPECT_EQ((std::vector<std::string>{"setLogLevel 1", "loadConfiguration", "init", "setCallback", "checkUpdates",
                                        "downloadUpdates", "doUpdate", "close"}),
              updater.calls);
    EXPECT_EQ(nullptr, halvex::DownloadDialogWindow());
    // The what's-new step follows, as after No: a first start stores the version.
    EXPECT_EQ(u"1.4.4.4", appVersion());

    // A total of 0 is an empty bar, not a division by zero.
    script::clear();
    updater = shell_tests::RecordingUpdater{};
    updater.available = 1;
    updater.progress = {{0, 0}, {0, 7}};
    shown.clear();
    updater.onProgress = [&] { shown.push_back(downloadDialogShowing(0)); };
    script::queue("MessageBox", "IDYES", kQuestion);
    ASSERT_TRUE(runStep());
    EXPECT_EQ((std::vector<std::string>{"0 \"\"", "0 \"\""}), shown);
    // The callback has nothing to post to once the dialog is gone.
    EXPECT_EQ(0, updater.callback(2, 100, 50, nullptr));
}

TEST_F(UpdateStep, AFailedDownloadOrHandOverClosesTheDialogWithoutClosingTheProgram) {
    const HWND program = CreateWindowExW(0, u"STATIC", u"program", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    identity.mainWindow = program;
    const std::vector<std::string> calls{"setLogLevel 1", "loadConfiguration", "init", "setCallback", "checkUpdates",
                                         "downloadUpdates", "doUpdate", "close"};
    for (const auto& [call, failure] : std::vector<std::pair<std::string, int>>{{"downloadUpdates", 8005},
                                                                                {"doUpdate", 8020}}) {
        SCOPED_TRACE(call);
        script::clear();
        updater = shell_tests::RecordingUpdater{};
        updater.available = 1;
        updater.failing = call;
        updater.failure = failure;
        updater.progress = {{100, 40}};
        std::string shown;
        updater.onProgress = [&] { shown = downloadDialogShowing(40); };
        script::queue("MessageBox", "IDYES", kQuestion);
        halvex::UpdateContext context;
        ASSERT_TRUE(halvex::CheckForUpdates(context, updater.table(), identity));
        EXPECT_EQ(failure, context.outcome) << "the failure is kept, not reported as success";
        halvex::ReleaseUpdater(context, updater.table());
        EXPECT_EQ("40 \"40%\"", shown);
        std::vector<std::string> expected = calls;
        if (call == "downloadUpdates") expected.erase(expected.begin() + 6);
        EXPECT_EQ(expected, updater.calls);
        EXPECT_EQ(nullptr, halvex::DownloadDialogWindow());
        MSG message;
        EXPECT_FALSE(PeekMessageW(&message, program, 0, 0, PM_REMOVE));
        EXPECT_NE(std::string::npos, log().find("update outcome " + std::to_string(failure))) << log();
    }
    DestroyWindow(program);
}

// Without a display the download dialog cannot come: nothing is downloaded
// and the worker does not wait out its bound for the window. In a child
// process, started afresh so that it chooses its own UI backend.
TEST_F(UpdateStep, WithoutADisplayForTheDownloadDialogNothingIsDownloadedAndNothingWaits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("PLATFORM_UI", "gtk", 1);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            halvex::UpdateContext context;
            const auto started = std::chrono::steady_clock::now();
            halvex::RunUpdateDownload(context, updater.table(), nullptr);
            const auto took = std::chrono::steady_clock::now() - started;
            const bool downloaded = std::ranges::count(updater.calls, "downloadUpdates") != 0;
            std::fprintf(stderr, "outcome %d downloaded %d took %lld ms\n", context.outcome, downloaded,
                         static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
            std::_Exit(context.outcome == -1 && !downloaded && took < std::chrono::seconds(5) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(UpdateStep, TheUpdaterTakingOverClosesTheProgramsWindowAndEndsItsLoop) {
    halvex::MainFrame frame(u"Halvex");
    identity.mainWindow = frame.Window();
    updater.available = 1;
    updater.failing = "doUpdate";
    updater.failure = 7999;
    script::queue("MessageBox", "IDYES", kQuestion);
    halvex::UpdateContext context;
    ASSERT_TRUE(halvex::CheckForUpdates(context, updater.table(), identity));
    EXPECT_EQ(7999, context.outcome);
    halvex::ReleaseUpdater(context, updater.table());
    EXPECT_EQ("close", updater.calls.back());

    // The close was posted before the loop began; the loop ends on it.
    EXPECT_EQ(std::string::npos, log().find("Exiting app")) << log();
    frame.RunMessageLoop();
    EXPECT_NE(std::string::npos, log().find("Exiting app")) << log();
}

TEST_F(UpdateStep, TheWhatsNewPageShowsOncePerNewVersionFromTheProgramsFolder) {
    // Versions.xml is read beside the program, not in the current folder.
    testkit::writeFile(programFolder / "Versions.xml", kVersions);
    testkit::writeFile(root.path() / "Versions.xml", "<versions/>");
    const fs::path previous = fs::current_path();
    fs::current_path(root.path());

    // First start: nothing stored, nothing shown, the version kept.
    halvex::ShowUpgradeInfo(identity.programFolder, identity.fileVersion);
    EXPECT_EQ(u"1.4.4.4", appVersion());

    // The same version again: nothing shown.
    halvex::ShowUpgradeInfo(identity.programFolder, identity.fileVersion);

    // From 1.4.4.3: the page with this version and its notes, shown as
    // text (never as markup), closed by its button.
    storeAppVersion(u"1.4.4.3");
    script::queue("Page", "shows:APP_VERSION_ID:1.4.4.4");
    script::queue("Page", "shows:CHANGE_ENTRY:Podpis%20&%20<b>rychlejší%20<script>x()</script>Opravatisk");
    script::queue("Page", "click:ButtonOK");
    halvex::ShowUpgradeInfo(identity.programFolder, identity.fileVersion);
    EXPECT_EQ(0u, script::pending());
    EXPECT_EQ(u"1.4.4.4", appVersion());

    // A version whose notes are all in another language shows nothing.
    storeAppVersion(u"1.4.4.3");
    testkit::writeFile(programFolder / "Versions.xml",
                       "<v><version val='1.4.4.4'><change lang='SK'><entry title='t'>x</entry></change></version></v>");
    script::queue("Page", "click:ButtonOK");
    halvex::ShowUpgradeInfo(identity.programFolder, identity.fileVersion);
    EXPECT_EQ(1u, script::pending());
    EXPECT_EQ(u"1.4.4.4", appVersion());
    fs::current_path(previous);
}

TEST_F(UpdateStep, TheNotesListedAreThoseAfterTheStoredVersionUpToThisOneEscaped) {
    testkit::writeFile(programFolder / "Versions.xml", kVersions);
    const auto notes = halvex::ReadVersionNotes(identity.programFolder + u"Versions.xml",
                                                halvex::ParseVersion(u"1.4.4.3"), halvex::ParseVersion(u"1.4.4.4"),
                                                u"CZ");
    ASSERT_TRUE(notes);
    ASSERT_EQ(2u, notes->size());
    EXPECT_EQ(u"<div><li><b>Podpis &amp; &lt;b&gt;</b></li><p class=\"note\">rychlejší "
              u"&lt;script&gt;x()&lt;/script&gt;</p></div><br><div><li><b>Oprava</b></li><p class=\"note\">tisk</p>"
              u"</div><br>",
              halvex::ChangeEntriesHtml(*notes));

    // Versions compare part by part as numbers: 1.4.4.10 follows 1.4.4.9.
    testkit::writeFile(programFolder / "Versions.xml",
                       "<v><version val='1.4.4.9'><change lang='CZ'><entry title='9'>-</entry></change></version>"
                       "<version val='1.4.4.10'><change lang='CZ'><entry title='10'>-</entry></change></version>"
                       "<version val='1.4.5.0'><change lang='CZ'><entry title='5.0'>-</entry></change></version></v>");
    const auto numeric = halvex::ReadVersionNotes(identity.programFolder + u"Versions.xml",
                                                  halvex::ParseVersion(u"1.4.4.9"), halvex::ParseVersion(u"1.4.4.10"),
                                                  u"CZ");
    ASSERT_TRUE(numeric);
    ASSERT_EQ(1u, numeric->size());
    EXPECT_EQ(u"10", numeric->front().title);

    // Files that are no notes give nothing, quickly and without harm.
    const std::string laughs =
        "<?xml version='1.0'?><!DOCTYPE v [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
        "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>"
        "<!ENTITY e '&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'><!ENTITY f '&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;'>"
        "<!ENTITY g '&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;'><!ENTITY h '&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;'>]>"
        "<v><version val='1.4.4.4'><change lang='CZ'><entry title='t'>&h;&h;&h;&h;&h;&h;&h;&h;</entry></change>"
        "</version></v>";
    for (const std::string& bad : {std::string("<versions><version"), std::string("\xFF\xFE<x/>"), laughs,
                                   std::string(2 << 20, ' ') + "<v/>"}) {
        testkit::writeFile(programFolder / "Versions.xml", bad);
        EXPECT_FALSE(halvex::ReadVersionNotes(identity.programFolder + u"Versions.xml", {}, {}, u"CZ"))
            << bad.substr(0, 40);
    }
    EXPECT_FALSE(halvex::ReadVersionNotes(identity.programFolder + u"missing.xml", {}, {}, u"CZ"));
}

}  // namespace

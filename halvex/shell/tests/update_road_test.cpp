// The update step with the real upgrade client (liblumvar.so) against
// testkit's update server, reached under the test environment's own host
// name through the connection map with its certificate checked: a newer
// version asks the user, the same version and a server in maintenance do
// not, and the program goes on either way; a Yes downloads the newer files
// into the download folder before the hand-over; a server whose certificate
// does not lead to a root the user trusts is not asked anything.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "halvex/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/update_server.h"
#include "download_dialog.h"
#include "win32/commctrl.h"
#include "update_download.h"
#include "update_server_host.h"
#include "update_step.h"
#include "win32/crypt_store.h"
#include "win32/datetime.h"
#include "win32/messages.h"

namespace {

namespace fs = std::filesystem;
namespace script = platform::ui::script;
using platform::text::fromUtf8;

const testkit::pki::Hierarchy& hierarchy() {
    static const testkit::pki::Hierarchy made = testkit::pki::Hierarchy::make();
    return made;
}

testkit::UpdateTree treeAt(const std::string& version) {
    return {version, {}, {{testkit::UpdateLocation::Program, "halvex.txt", "the new program", false}}};
}

class UpdateRoad : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("xmllint");
        setenv("PLATFORM_UI", "script", 1);
        script::clear();
        const auto& der = hierarchy().root.certificate.der();
        HCERTSTORE trusted = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"Root");
        ASSERT_TRUE(CertAddEncodedCertificateToStore(trusted, X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
        CertCloseStore(trusted, 0);
        fs::create_directories(programFolder);
        testkit::writeFile(programFolder / "halvex.txt", "the old program");
        fs::copy(LUMVAR_RELAXNG_DIR, programFolder / "RelaxNG");
        identity.description = u"Tesk Halvex cz";
        identity.fileVersion = u"1.0.0.0";
        identity.programFolder = fromUtf8(programFolder.string() + "/");
        identity.userDataFolder = fromUtf8((root.path() / "local").string() + "/");
        identity.environment = halvex::kEnvironmentTest;
        fs::create_directories(root.path() / "local");
        server.mapHost();
    }

    // The step and its release over the client, answering when asked; the
    // questions asked.
    std::vector<std::string> runStep(const halvex::UpdaterCalls& calls = halvex::LinkedUpdater(),
                                     const std::string& answer = "IDNO") {
        script::clear();
        script::queue("MessageBox", answer, "Je k dispozici nová verze aplikace.");
        halvex::UpdateContext context;
        EXPECT_TRUE(halvex::CheckForUpdates(context, calls, identity));
        outcome = context.outcome;
        halvex::ReleaseUpdater(context, calls);
        std::vector<std::string> questions;
        for (const std::string& line : script::transcript())
            if (line.starts_with("MessageBox")) questions.push_back(line);
        return questions;
    }

    testkit::PlatformRoot root;
    fs::path programFolder = root.path() / "Program Files" / "Příliš žluťoučký kůň";
    halvex::UpdateIdentity identity;
    std::int32_t outcome = 0;
    testkit::UpdateServer server{hierarchy(), treeAt("1.0.0.1"), shell_tests::testUpdateServerHost()};
};

TEST_F(UpdateRoad, OnlyANewerVersionOnTheServerAsksTheUser) {
    EXPECT_EQ(1u, runStep().size());
    EXPECT_EQ(0u, script::pending());
    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("LUMVAR", requests[0].userAgent);
    EXPECT_NE(std::string::npos, requests[0].body.find("Tesk Halvex cz")) << requests[0].body;
    EXPECT_EQ("the old program", testkit::readFile(programFolder / "halvex.txt"));

    server.publish(treeAt("1.0.0.0"));
    EXPECT_TRUE(runStep().empty());
    EXPECT_EQ(1u, script::pending());
    server.answer(testkit::UpdateFault::Maintenance);
    EXPECT_TRUE(runStep().empty());
    EXPECT_EQ(3u, server.requests().size());
    EXPECT_EQ(u"1.0.0.0", halvex::GetProfileString(halvex::kWorkspaceSection, u"AppVersion", u""));
}

TEST_F(UpdateRoad, AServerWithAnUntrustedCertificateOffersNothingAndTheProgramGoesOn) {
    // The user no longer trusts the server's root.
    HCERTSTORE trusted = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"Root");
    while (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(trusted, nullptr))
        ASSERT_TRUE(CertDeleteCertificateFromStore(certificate));
    CertCloseStore(trusted, 0);
    halvex::UpdaterCalls calls = halvex::LinkedUpdater();
    std::int32_t checked = 0;
    const auto check = calls.checkUpdates;
    calls.checkUpdates = [&](lumvar::UpdateList* list, std::vector<std::uint32_t>* version, std::int32_t* flag) {
        return checked = check(list, version, flag);
    };
    EXPECT_TRUE(runStep(calls).empty());
    EXPECT_EQ(1u, script::pending());
    EXPECT_NE(0, checked) << "the check fails rather than finding nothing";
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ("the old program", testkit::readFile(programFolder / "halvex.txt"));
    EXPECT_EQ(u"1.0.0.0", halvex::GetProfileString(halvex::kWorkspaceSection, u"AppVersion", u""));
}

TEST_F(UpdateRoad, YesDownloadsTheNewerFilesThenHandsOverAndClosesTheProgram) {
    // The updater itself is not started here: the hand-over is recorded.
    halvex::UpdaterCalls calls = halvex::LinkedUpdater();
    bool handedOver = false;
    // By the hand-over the library's progress has filled the still open
    // dialog's bar, which shows the percentage on itself.
    long position = -1;
    std::string barShows;
    calls.doUpdate = [&] {
        handedOver = true;
        const HWND dialog = halvex::DownloadDialogWindow();
        for (int i = 0; i < 200 && position != 100; ++i, Sleep(10))
            position = SendDlgItemMessageW(dialog, halvex::kDownloadBarId, PBM_GETPOS, 0, 0);
        for (const std::string& line : script::transcript())
            if (line.starts_with("Dialog 33201 33200 ")) barShows = line.substr(19);
        return halvex::kUpdaterStarted;
    };
    const HWND program = CreateWindowExW(0, u"STATIC", u"program", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    identity.mainWindow = program;
    EXPECT_EQ(1u, runStep(calls, "IDYES").size());
    EXPECT_TRUE(handedOver);
    EXPECT_EQ(100, position);
    EXPECT_EQ("\"100%\"", barShows);
    EXPECT_EQ(halvex::kUpdaterStarted, outcome);
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, program, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DestroyWindow(program);

    bool downloaded = false;
    for (const auto& entry : fs::recursive_directory_iterator(root.path() / "local" / "UpdateDownload"))
        if (entry.is_regular_file() && entry.path().filename() == "halvex.txt")
            downloaded = downloaded || testkit::readFile(entry.path()) == "the new program";
    EXPECT_TRUE(downloaded);
    EXPECT_EQ("the old program", testkit::readFile(programFolder / "halvex.txt"));
    EXPECT_EQ(2u, server.requests().size());
}

}  // namespace

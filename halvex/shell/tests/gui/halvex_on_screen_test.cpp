// The program's window on a private X server: with the real enrolment
// library and signing component it shows the home page in WebKitGTK; a
// click leads to the request page, F1 opens its help topic, the toolbar's
// Back clicked with the pointer returns;
// the accelerators Home and Alt+X work; a certificate name holding markup
// is listed as text by the page's script; the About box shows and goes with
// Enter; the toolbar shows its images and the lock panes follow Caps Lock;
// a whole renewal goes from the home page through the signer's
// confirmation to the number the renewal server issued. Screenshots go to
// the artifacts folder.
#include <chrono>
#include <future>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex/profile.h"
#include "halvex_app.h"
#include "frame_layout.h"
#include "busy_window.h"
#include "main_frame.h"
#include "../hostile_certificate.h"
#include "../openssl_request.h"
#include "../shell_fixture.h"
#include "platform/dialog_template.h"
#include "testkit/qualified_renewal.h"
#include "testkit/scoped_env.h"
#include "testkit/softhsm.h"
#include "testkit/xvfb.h"
#include "win32/com.h"
#include "win32/datetime.h"
#include "win32/messages.h"
#include "win32/modules.h"

// After the layer's headers: GLib defines TRUE and FALSE as macros.
#include <glib.h>

namespace {

using namespace shell_fixture;
using platform::ui::PageAction;

class HalvexOnScreen : public ShellTest {
protected:
    static void SetUpTestSuite() {
        if (testkit::findProgram("Xvfb") && testkit::findProgram("import")) s_xvfb = new testkit::Xvfb();
    }
    static void TearDownTestSuite() {
        delete s_xvfb;
        s_xvfb = nullptr;
    }
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("Xvfb");
        TESTKIT_REQUIRE_PROGRAM("import");
        // The screenshots' folder, before the fixture changes the current one.
        m_artifacts = std::make_unique<ScopedEnv>("TESTKIT_ARTIFACTS", testkit::artifactsDir().string());
        ShellTest::SetUp();
        setenv("PLATFORM_UI", "gtk", 1);
        platform::ui::setBackend(nullptr);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        halvex::TAppData::Instance().SetConfigurationFolder(halvex::FindConfigFile(u"Halvex.xml"));
    }
    void TearDown() override {
        CoUninitialize();
        platform::ui::setBackend(nullptr);
        ShellTest::TearDown();
    }

    // Lets the window handle what came (its events reach this thread's
    // queue) and draw what it shows.
    static void pump(int milliseconds = 800) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        MSG message;
        while (std::chrono::steady_clock::now() < until) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            g_usleep(10000);
        }
    }
    static void screenshot(const std::string& name) {
        pump();
        s_xvfb->screenshot(name);
    }
    // A key pressed in the program's window.
    static void press(const std::string& title, const std::string& key) {
        const std::string id = windowOf(title);
        testkit::run({"xdotool", "windowfocus", id});
        pump(300);
        ASSERT_EQ(0, testkit::run({"xdotool", "key", "--window", id, key}).exitCode);
        pump();
    }
    // The pointer moved to a point of the program's window.
    static void point(const std::string& title, int x, int y) {
        ASSERT_EQ(0, testkit::run({"xdotool", "mousemove", "--window", windowOf(title), std::to_string(x),
                                   std::to_string(y)}).exitCode);
        pump();
    }
    // The pointer's left button pressed at a point of the program's window.
    static void clickAt(const std::string& title, int x, int y) {
        ASSERT_EQ(0, testkit::run({"xdotool", "mousemove", "--window", windowOf(title), std::to_string(x),
                                   std::to_string(y), "click", "1"}).exitCode);
        pump();
    }
    static std::string windowOf(const std::string& title) {
        const auto window = testkit::run({"xdotool", "search", "--name", title});
        EXPECT_EQ(0, window.exitCode) << window.err;
        return window.out.substr(0, window.out.find('\n'));
    }

    // xdotool's exit code, run under a time-out.
    static int xdotool(std::vector<std::string> arguments) {
        testkit::RunOptions options;
        options.timeout = std::chrono::seconds(20);
        arguments.insert(arguments.begin(), "xdotool");
        return testkit::run(arguments, options).exitCode;
    }
    // Waits for the window of exactly that title and gives its id once it
    // is drawn; without such a window the X server goes, which ends the
    // process rather than leave a modal window waiting, and the id is empty.
    static std::string shownWindow(const std::string& title) {
        const std::string id = testkit::findWindow(title);
        if (id.empty()) {
            ADD_FAILURE() << "no window \"" << title << "\" appeared";
            s_xvfb->kill();
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return id;
    }
    // Waits up to 20 s for the window of that title to go; when it stays,
    // the X server goes as above.
    static void closed(const std::string& title) {
        for (int wait = 0; wait < 40; ++wait) {
            if (xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}) != 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        ADD_FAILURE() << "the window \"" << title << "\" stayed";
        s_xvfb->kill();
    }
    // The window shown, taken as a screenshot and answered by the key.
    static void answer(const std::string& title, const std::string& key, const std::string& shot) {
        const std::string id = shownWindow(title);
        if (id.empty()) return;
        EXPECT_NO_THROW(s_xvfb->screenshot(shot));
        EXPECT_EQ(0, xdotool({"windowfocus", "--sync", id, "key", key}));
    }

    static inline testkit::Xvfb* s_xvfb = nullptr;
    ScopedEnv m_gdk{"GDK_BACKEND", "x11"};
    ScopedEnv m_renderer{"GSK_RENDERER", "cairo"};
    ScopedEnv m_accessibility{"NO_AT_BRIDGE", "1"};
    std::unique_ptr<ScopedEnv> m_artifacts;
};

TEST_F(HalvexOnScreen, HomeToTheRequestPageAndBackInTheWindow) {
    TESTKIT_REQUIRE_PROGRAM("xdotool");
    const RecordingOpener opener(root);
    const std::u16string title = halvex::ApplyProfileEnvironment();
    halvex::MainFrame frame(title);
    ASSERT_TRUE(frame.OnInitApp(u"halvex"));
    auto& view = frame.View();
    ASSERT_TRUE(view.Html().waitUntilSettled());
    ASSERT_EQ("home.htm", view.PageName());
    EXPECT_NE(std::nullopt, view.Html().innerHtml("HOME_LOAD"));
    screenshot("halvex-home");
    const auto geometry = testkit::run({"xdotool", "getwindowgeometry", windowOf(platform::text::toUtf8(title))});
    EXPECT_NE(std::string::npos, geometry.out.find("Geometry: 1024x819")) << "four fifths of the screen: " << geometry.out;

    auto user = std::async(std::launch::async, [] { answer("O aplikaci Halvex", "Return", "halvex-about"); });
    frame.OnCommand(halvex::kCommandAbout);
    user.get();

    // The lock panes follow the keyboard; the pointer makes a button hot
    // (Back stays disabled at home).
    press(platform::text::toUtf8(title), "Caps_Lock");
    EXPECT_EQ("CAP", view.Html().statusText(halvex::kCapsLockPane));
    point(platform::text::toUtf8(title), 80, 18);
    screenshot("halvex-toolbar-caps");
    press(platform::text::toUtf8(title), "Caps_Lock");
    EXPECT_EQ("", view.Html().statusText(halvex::kCapsLockPane));

    std::string why;
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "HOME_LOAD", {}}, &why)) << why;
    ASSERT_TRUE(view.Html().waitUntilSettled());
    EXPECT_EQ("selrequest.htm", view.PageName());
    EXPECT_TRUE(view.Html().commandEnabled(halvex::kCommandBack));
    screenshot("halvex-selrequest");
    press(platform::text::toUtf8(title), "F1");
    EXPECT_EQ("4016.htm", opener.opened(1).filename()) << "F1 opens the page's help topic";

    // The toolbar's first button, Back, clicked with the pointer.
    clickAt(platform::text::toUtf8(title), 22, 18);
    ASSERT_TRUE(view.Html().waitUntilSettled());
    EXPECT_EQ("home.htm", view.PageName());
    screenshot("halvex-back-home");

    // The accelerators: Home returns home, Alt+X ends the program.
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "HOME_LOAD", {}}, &why)) << why;
    press(platform::text::toUtf8(title), "Home");
    ASSERT_TRUE(view.Html().waitUntilSettled());
    EXPECT_EQ("home.htm", view.PageName());
    press(platform::text::toUtf8(title), "alt+x");
    EXPECT_TRUE(frame.Exiting());
}

// The page's own script lists the certificate: its names stay text.
TEST_F(HalvexOnScreen, ACertificateNameHoldingMarkupIsListedAsTextByThePagesScript) {
    platform::ui::HtmlViewOptions options;
    options.title = "Halvex certificates";
    const auto view = platform::ui::makeHtmlView(std::move(options));
    view->navigate(platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "selcert_renew.htm"));
    ASSERT_TRUE(view->waitUntilSettled());
    hostile_certificate::expectListedAsText(*view);
    screenshot("halvex-hostile-certificate");
}

// The whole renewal in the window, from the request type on the home page:
// the page's own script lists the user's certificates, the qualified one
// leads to the filled data page, whose check makes the request on a new key
// where the old one is and shows it on the summary; sending it shows the
// signer's confirmation, where the user agrees to the content and presses
// Yes; testkit's renewal server checks every part of what it got and the
// number it issued shows on the last page. The key is in the software
// provider, or on a SoftHSM2 token as the card provider "Zintra CSP" (the
// token logged in by the test's own handle on it, so no PIN is asked).
class WholeRenewalOnScreen : public HalvexOnScreen, public testing::WithParamInterface<testkit::CspKind> {
protected:
    bool onToken() const { return GetParam() == testkit::CspKind::SoftHsmToken; }
    // A screenshot's name: the road's step, for the key's place.
    std::string shot(const std::string& step) const {
        return (onToken() ? "halvex-renewal-token-" : "halvex-renewal-") + step;
    }
};

TEST_P(WholeRenewalOnScreen, TheQualifiedCertificateIsRenewedAndTheIssuedNumberShown) {
    TESTKIT_REQUIRE_PROGRAM("xdotool");
    if (onToken()) {
        TESTKIT_REQUIRE_SOFTHSM();
        const fs::path system = root.path() / "Windows" / "System32";
        fs::create_directories(system);
        fs::create_symlink(testkit::SoftHsmToken::module(), system / "zintrap11.so");
    }
    const ScopedEnv appData{"APPDATA", (root.path() / "appdata").string()};
    ASSERT_TRUE(halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", halvex::kEnvironmentProduction));
    const testkit::QualifiedRenewal renewal(root, config, "renew.tesk.example", GetParam());
    registerServer(TESK_OSTRIM_MODULE);
    halvex::TLogFile::GetInstance().SetPath(platform::text::fromUtf8(logFile.string()));
    halvex::TLogFile::GetInstance().Init(true, true);
    halvex::MainFrame frame(halvex::ApplyProfileEnvironment());
    ASSERT_TRUE(frame.OnInitApp(u"halvex"));
    halvex::TAppData::Instance().SetServerUrl(platform::text::fromUtf8(renewal.server.url()));
    auto& view = frame.View();
    ASSERT_TRUE(view.Html().waitUntilSettled());
    ASSERT_EQ("home.htm", view.PageName());
    screenshot(shot("home"));

    std::string why;
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "HOME_RENEW", {}}, &why)) << why;
    ASSERT_TRUE(view.Html().waitUntilSettled());
    ASSERT_EQ("selcert_renew.htm", view.PageName());
    const std::string options = view.Html().innerHtml("MYCERT_LIST").value_or("");
    const std::size_t caption = options.find("(Q) Jan Novák");
    ASSERT_NE(std::string::npos, caption) << options;
    screenshot(shot("certificate"));

    // The user picks the qualified certificate's entry.
    const std::size_t valueAt = options.rfind("value=\"", caption);
    ASSERT_NE(std::string::npos, valueAt);
    const std::string entry = options.substr(valueAt + 7, options.find('"', valueAt + 7) - valueAt - 7);
    ASSERT_TRUE(view.Html().setValue("MYCERT_LIST", entry));
    ASSERT_TRUE(view.Html().setValue("RA_REVOKE_PASSWD", "heslo123"));
    ASSERT_TRUE(view.Html().setValue("RA_REVOKE_PASSWD2", "heslo123"));
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "SELCERT_NEXT", {}}, &why)) << why;
    ASSERT_TRUE(view.Html().waitUntilSettled());
    ASSERT_EQ("data_renew.htm", view.PageName());
    EXPECT_EQ(0u, view.Html().innerHtml("RA_KEYLENHASH_QC").value_or("").rfind("2048b, ", 0));
    EXPECT_NE(std::string::npos, view.Html().innerHtml("RA_TEMPLATE_HTML").value_or("").find("Jan"));
    ASSERT_TRUE(view.Html().setValue("RA_NAME", "Jan"));
    ASSERT_TRUE(view.Html().setValue("RA_SURNAME", "Novák"));
    screenshot(shot("data"));

    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "DATA_NEXT", {}}, &why)) << why;
    ASSERT_TRUE(view.Html().waitUntilSettled());
    ASSERT_EQ("summary_renew.htm", view.PageName());
    EXPECT_EQ(renewal.qualified.csp->provider(), frame.Request(0).provider.name) << "the new key where the old one is";
    const std::u16string pem = frame.Request(0).requestText;
    EXPECT_TRUE(pem.ends_with(u"-----END CERTIFICATE REQUEST-----\n"));
    const std::string text = openssl_request::verifiedText(pem);
    EXPECT_NE(std::string::npos, text.find("self-signature verify OK")) << text;
    EXPECT_NE(std::string::npos, text.find("CN=Jan Novák")) << text;
    EXPECT_NE(std::string::npos, view.Html().innerHtml("RA_REQUEST_QC").value_or("").find("BEGIN CERTIFICATE REQUEST"));
    screenshot(shot("summary"));

    // The signer's confirmation: Yes stays disabled until the box agreeing
    // to the document's content is ticked with the pointer.
    auto user = std::async(std::launch::async, [this] {
        const std::string confirmation = shownWindow("Potvrzení");
        if (confirmation.empty()) return;
        s_xvfb->screenshot(shot("signing"));
        const int x = platform::ui::pixelsX(14) + 20;
        const int y = platform::ui::pixelsY(24) + platform::ui::pixelsY(10) / 2;
        EXPECT_EQ(0, xdotool({"mousemove", "--window", confirmation, std::to_string(x), std::to_string(y), "click", "1"}));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        s_xvfb->screenshot(shot("agreed"));
        EXPECT_EQ(0, xdotool({"windowfocus", "--sync", confirmation, "key", "Return"}));
        closed("Potvrzení");
    });
    EXPECT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "SUMMARY_SEND", {}}, &why)) << why;
    user.get();
    ASSERT_TRUE(view.Html().waitUntilSettled());
    const auto got = renewal.server.requests();
    ASSERT_EQ(1u, got.size()) << log();
    EXPECT_EQ("ok", got[0].verdict);
    ASSERT_EQ(1u, got[0].numbers.size());
    ASSERT_EQ("appendix.htm", view.PageName());
    EXPECT_NE(std::string::npos,
              view.Html().innerHtml("REQ_NOTE_SEND").value_or("").find("<b>" + got[0].numbers[0].second + "</b>"));
    screenshot(shot("appendix"));
    halvex::TAppData::Instance().SetServerUrl(u"");
}

INSTANTIATE_TEST_SUITE_P(KeyKinds, WholeRenewalOnScreen,
                         testing::Values(testkit::CspKind::Software, testkit::CspKind::SoftHsmToken));

// While the program's thread is held (as in key generation) and takes no
// messages, the busy window's bar goes on moving: two screenshots apart
// differ.
TEST_F(HalvexOnScreen, TheBusyBarMovesWhileTheProgramsThreadIsHeld) {
    const HINSTANCE program = GetModuleHandleW(nullptr);
    halvex::DeclareBusyDialogTemplate(program);
    const HWND window = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    halvex::BusyWindow busy;
    ASSERT_TRUE(busy.Start(program, window));
    busy.ShowBusy(33073);
    Sleep(800);
    const auto first = s_xvfb->screenshot("halvex-busy-1");
    Sleep(700);
    const auto second = s_xvfb->screenshot("halvex-busy-2");
    const auto bytes = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_NE(bytes(first), bytes(second)) << "the bar stood still";
    busy.HideBusy();
    EXPECT_TRUE(busy.Close());
    DestroyWindow(window);
}

}  // namespace

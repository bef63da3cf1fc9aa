// The program's window on a private X server: with the real enrolment
// library and signing component it shows the home page in WebKitGTK; a
// click leads to the request page, F1 opens its help topic, the toolbar's
// Back clicked with the pointer returns;
// the accelerators Home and Alt+X work; a certificate name holding markup
// is listed as text by the page's script; the About box shows and goes with
// Enter; the toolbar shows its images and the lock panes follow Caps Lock;
// a whole renewal goes by keys from the home page (the certificate chosen
// and shown, Escape closing its view, Home, F5 and F1 typed in the page's
// fields, F5 outside them keeping each password as typed) through the signer's confirmation to the number the renewal
// server issued. Every wait is for a state of the window or the page; each
// screenshot, in the artifacts folder, is taken once the window shows its
// content.
#include <chrono>
#include <future>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex/profile.h"
#include "halvex_app.h"
#include "frame_layout.h"
#include "busy_dialog_template.h"
#include "busy_window.h"
#include "main_frame.h"
#include "../hostile_certificate.h"
#include "../openssl_request.h"
#include "../shell_fixture.h"
#include "platform/dialog_template.h"
#include "testkit/dialog_layout.h"
#include "testkit/qualified_renewal.h"
#include "testkit/scoped_env.h"
#include "testkit/softhsm.h"
#include "testkit/xvfb.h"
#include "win32/com.h"
#include "win32/datetime.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/modules.h"

// After the layer's headers: GLib defines TRUE and FALSE as macros.
#include <glib.h>

namespace {

using namespace shell_fixture;
using platform::ui::PageAction;

// What the home page shows.
const std::vector<std::string> kHomeTexts{"Obnova certifikátu", "Vítejte v programu Halvex.", "Obnovit certifikát",
                                          "Načíst uloženou žádost"};

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
        TESTKIT_REQUIRE_PROGRAM("tesseract");
        // The screenshots' folder, before the fixture changes the current one.
        m_artifacts = std::make_unique<ScopedEnv>("TESTKIT_ARTIFACTS", testkit::artifactsDir().string());
        ShellTest::SetUp();
        setenv("PLATFORM_UI", "gtk", 1);
        setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR ":" TESK_HHCTRL_DIR ":" TESK_CRYPTUI_DIR, 1);
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
    // queue) until the condition holds; false after 20 s.
    static bool until(const std::function<bool()>& holds,
                      std::chrono::milliseconds within = std::chrono::seconds(20)) {
        const auto limit = std::chrono::steady_clock::now() + within;
        MSG message;
        for (;;) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            if (holds()) return true;
            if (std::chrono::steady_clock::now() > limit) return false;
            g_usleep(10000);
        }
    }
    // Runs the person's part on a thread of its own while this thread
    // handles the window's events (a dialog the keys open runs here).
    static void whilePumping(const std::function<void()>& person) {
        auto done = std::async(std::launch::async, person);
        EXPECT_TRUE(until([&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        done.get();
    }
    // The page shown, filled and settled.
    static bool pageShown(halvex::HalvexView& view, const std::string& name) {
        const bool shown = until([&] { return view.PageName() == name && view.Html().waitUntilSettled(); });
        EXPECT_TRUE(shown) << "the page shown is " << view.PageName() << ", not " << name;
        return shown;
    }
    // A screenshot of the window once it shows the texts.
    static void screenshot(const std::string& title, const testkit::Shot& shot) {
        EXPECT_NO_THROW(s_xvfb->screenshotShowing(shot.name, windowOf(title), shot.texts));
    }
    // Keys pressed in the program's window (xdotool's names).
    static void press(const std::string& title, const std::string& keys) {
        std::vector<std::string> command{"windowfocus", "--sync", windowOf(title), "key", "--delay", "80"};
        std::istringstream each(keys);
        for (std::string key; each >> key;) command.push_back(key);
        EXPECT_EQ(0, xdotool(command));
    }
    // Text typed where the focus is.
    static void type(const std::string& text) { EXPECT_EQ(0, xdotool({"type", "--delay", "80", text})); }
    // Text typed into the page's field that has the focus, a character at
    // a time, each waited for in the field. xdotool types a letter missing
    // from the keyboard's map (á) on a key it maps for the moment; a busy
    // program that reads the key after the map went back gets nothing,
    // and the letter is typed again.
    static bool typeInto(halvex::HalvexView& view, const std::string& field, const std::string& text) {
        std::string typed = view.Html().value(field).value_or("");
        for (std::size_t at = 0; at < text.size();) {
            std::size_t next = at + 1;
            while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
            const std::string letter = text.substr(at, next - at);
            bool shown = false;
            for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
                type(letter);
                shown = until([&] { return view.Html().value(field).value_or("") == typed + letter; },
                              std::chrono::seconds(2));
            }
            if (!shown) return false;
            typed += letter;
            at = next;
        }
        return true;
    }
    // Tabs from where the focus is until a mark typed shows in the field
    // (Tab selects a field's text, which the mark replaces), then takes the
    // mark away: what is typed next goes into the field, however late the
    // page took the focus back.
    static bool tabInto(const std::string& title, halvex::HalvexView& view, const std::string& field) {
        for (int tabs = 0; tabs < 16; ++tabs) {
            press(title, "Tab");
            type("#");
            if (until([&] { return view.Html().value(field).value_or("") == "#"; }, std::chrono::seconds(1))) {
                press(title, "BackSpace");
                return until([&] { return view.Html().value(field).value_or("#").empty(); });
            }
        }
        return false;
    }
    // The pointer moved to a point of the program's window.
    static void point(const std::string& title, int x, int y) {
        testkit::pointerTo(windowOf(title), x, y);
    }
    // The pointer's left button pressed at a point of the program's window.
    static void clickAt(const std::string& title, int x, int y) {
        ASSERT_EQ(0, testkit::run({"xdotool", "mousemove", "--window", windowOf(title), std::to_string(x),
                                   std::to_string(y), "click", "1"}).exitCode);
    }
    // The window named so. xdotool's search fails when another window goes
    // while it walks the tree, so it is asked again until it answers.
    static std::string windowOf(const std::string& title) {
        std::string found;
        const bool seen = until([&] {
            const auto window = testkit::run({"xdotool", "search", "--name", title});
            found = window.out.substr(0, window.out.find('\n'));
            return window.exitCode == 0 && !found.empty();
        });
        EXPECT_TRUE(seen) << "no window is named " << title;
        return found;
    }

    // xdotool's exit code, run under a time-out.
    static int xdotool(std::vector<std::string> arguments) {
        testkit::RunOptions options;
        options.timeout = std::chrono::seconds(20);
        arguments.insert(arguments.begin(), "xdotool");
        return testkit::run(arguments, options).exitCode;
    }
    // Waits for the window of exactly that title and gives its id once it
    // shows the shot's texts; without such a window the X server goes,
    // which ends the process rather than leave a modal window waiting, and
    // the id is empty.
    static std::string shownWindow(const std::string& title, const testkit::Shot& shot) {
        const std::string id = testkit::findWindow(title);
        if (id.empty()) {
            ADD_FAILURE() << "no window \"" << title << "\" appeared";
            s_xvfb->kill();
            return {};
        }
        EXPECT_NO_THROW(s_xvfb->screenshotShowing(shot.name, id, shot.texts));
        return id;
    }
    // Presses the key in the window of that title until it goes (a key
    // that acts only once the window has taken in what came before); when
    // it stays 20 s, the X server goes as above.
    static void pressUntilClosed(const std::string& title, const std::string& key) {
        for (int tries = 0; tries < 10; ++tries) {
            const std::string id = testkit::findWindow(title, std::chrono::milliseconds(100));
            if (id.empty()) return;
            xdotool({"windowfocus", "--sync", id, "key", key});
            for (int wait = 0; wait < 20; ++wait) {
                if (xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}) != 0) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        ADD_FAILURE() << "the window \"" << title << "\" stayed";
        s_xvfb->kill();
    }
    // The window shown, taken as a screenshot and answered by the key.
    static void answer(const std::string& title, const std::string& key, const testkit::Shot& shot) {
        if (shownWindow(title, shot).empty()) return;
        pressUntilClosed(title, key);
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
    const std::string title = platform::text::toUtf8(halvex::ApplyProfileEnvironment());
    halvex::MainFrame frame(platform::text::fromUtf8(title));
    ASSERT_TRUE(frame.OnInitApp(u"halvex"));
    auto& view = frame.View();
    ASSERT_TRUE(pageShown(view, "home.htm"));
    EXPECT_NE(std::nullopt, view.Html().innerHtml("HOME_LOAD"));
    screenshot(title, {"halvex-home", kHomeTexts});
    const auto place = testkit::windowRegion(windowOf(title));
    EXPECT_EQ("1024x819", std::to_string(place.width) + "x" + std::to_string(place.height))
        << "four fifths of the screen";

    auto user = std::async(std::launch::async, [] { answer("O aplikaci Halvex", "Return", {"halvex-about", {"Halvex Version 1.0", "OK"}}); });
    frame.OnCommand(halvex::kCommandAbout);
    user.get();

    // The lock panes follow the keyboard; the pointer makes a button hot
    // (Back stays disabled at home).
    press(title, "Caps_Lock");
    EXPECT_TRUE(until([&] { return view.Html().statusText(halvex::kCapsLockPane) == "CAP"; }));
    point(title, 80, 18);
    screenshot(title, {"halvex-toolbar-caps", {"CAP", "Obnova certifikátu"}});
    press(title, "Caps_Lock");
    EXPECT_TRUE(until([&] { return view.Html().statusText(halvex::kCapsLockPane).empty(); }));

    std::string why;
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "HOME_LOAD", {}}, &why)) << why;
    ASSERT_TRUE(pageShown(view, "selrequest.htm"));
    EXPECT_TRUE(view.Html().commandEnabled(halvex::kCommandBack));
    screenshot(title, {"halvex-selrequest",
                       {"Načtení uložené žádosti", "Vyberte soubor s podepsanou žádostí (*.req) a žádost načtěte.",
                        "Načíst žádost"}});
    press(title, "F1");
    EXPECT_TRUE(until([&] { return opener.opened(1).filename() == "4016.htm"; })) << "F1 opens the page's help topic";

    // The toolbar's first button, Back, clicked with the pointer.
    clickAt(title, 22, 18);
    ASSERT_TRUE(pageShown(view, "home.htm"));
    screenshot(title, {"halvex-back-home", kHomeTexts});

    // The accelerators: Home returns home, Alt+X ends the program.
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "HOME_LOAD", {}}, &why)) << why;
    ASSERT_TRUE(pageShown(view, "selrequest.htm"));
    press(title, "Home");
    ASSERT_TRUE(pageShown(view, "home.htm"));
    EXPECT_FALSE(view.Html().commandEnabled(halvex::kCommandBack)) << "Home leaves nothing to go back to";
    press(title, "alt+x");
    EXPECT_TRUE(until([&] { return frame.Exiting(); }));
}

// The page's own script lists the certificate: its names stay text.
TEST_F(HalvexOnScreen, ACertificateNameHoldingMarkupIsListedAsTextByThePagesScript) {
    platform::ui::HtmlViewOptions options;
    options.title = "Halvex certificates";
    const auto view = platform::ui::makeHtmlView(std::move(options));
    view->navigate(platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), "selcert_renew.htm"));
    ASSERT_TRUE(view->waitUntilSettled());
    hostile_certificate::expectListedAsText(*view);
    screenshot("Halvex certificates", {"halvex-hostile-certificate",
                                       {"Výběr certifikátu k obnově", "<b>Jan</b> & \"Novák\"",
                                        "');self.location='URL_APP_EXIT';//"}});
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
    const RecordingOpener opener(root);
    const std::string title = platform::text::toUtf8(halvex::ApplyProfileEnvironment());
    halvex::MainFrame frame(platform::text::fromUtf8(title));
    ASSERT_TRUE(frame.OnInitApp(u"halvex"));
    halvex::TAppData::Instance().SetServerUrl(platform::text::fromUtf8(renewal.server.url()));
    auto& view = frame.View();
    ASSERT_TRUE(pageShown(view, "home.htm"));
    screenshot(title, {shot("home"), kHomeTexts});

    // The pointer gives the page the focus at its empty top left corner;
    // from there on the user goes by keys: the first link renews.
    clickAt(title, 4, 60);
    press(title, "Tab Return");
    ASSERT_TRUE(pageShown(view, "selcert_renew.htm"));
    const std::string options = view.Html().innerHtml("MYCERT_LIST").value_or("");
    const std::size_t caption = options.find("(Q) Jan Novák");
    ASSERT_NE(std::string::npos, caption) << options;
    screenshot(title, {shot("certificate"), {"Výběr certifikátu k obnově", "Jan Novák", "Zobrazit certifikát"}});

    // The list takes the focus; the qualified certificate's entry is chosen
    // by the arrow keys unless it is the only one, which comes chosen.
    const std::size_t valueAt = options.rfind("value=\"", caption);
    ASSERT_NE(std::string::npos, valueAt);
    const std::string entry = options.substr(valueAt + 7, options.find('"', valueAt + 7) - valueAt - 7);
    std::size_t before = 0;
    for (std::size_t at = options.find("<option"); at < caption; at = options.find("<option", at + 1)) ++before;
    const bool only = options.find("<option", caption) == std::string::npos && before == 1;
    press(title, "Tab");
    if (only)
        EXPECT_EQ(entry, view.Html().value("MYCERT_LIST").value_or("")) << "the only certificate comes chosen";
    else
        for (std::size_t step = 0; step < before; ++step) press(title, "Down");
    ASSERT_TRUE(until([&] { return view.Html().value("MYCERT_LIST").value_or("") == entry; }));

    // "Zobrazit certifikát" shows it; Escape closes the view.
    whilePumping([&] {
        press(title, "Tab Return");
        answer("Certifikát", "Escape", {shot("certificate-view"), {"Jan Novák"}});
    });
    EXPECT_EQ("selcert_renew.htm", view.PageName());

    // Past the key-usage choice to the passwords; Home and F5 in a field
    // edit it and leave the page as it is.
    ASSERT_TRUE(tabInto(title, view, "RA_REVOKE_PASSWD")) << "the password field was not reached by Tab";
    type("heslo123");
    press(title, "Home F5");
    ASSERT_TRUE(view.Html().waitUntilSettled());
    EXPECT_EQ("selcert_renew.htm", view.PageName());
    EXPECT_TRUE(until([&] { return view.Html().value("RA_REVOKE_PASSWD").value_or("") == "heslo123"; }));
    press(title, "Tab");
    type("heslo124");
    EXPECT_TRUE(until([&] { return view.Html().value("RA_REVOKE_PASSWD2").value_or("") == "heslo124"; }));

    // F5 with the focus on the key-usage choice, outside a field, loads the
    // page again (the mark put on its button goes with the old page): each
    // field still holds what was typed in it.
    ASSERT_TRUE(view.Html().setClassName("SELCERT_NEXT", "reload-mark"));
    press(title, "shift+Tab shift+Tab F5");
    ASSERT_TRUE(until([&] {
        return view.Html().className("SELCERT_NEXT").value_or("reload-mark") != "reload-mark" &&
               view.Html().waitUntilSettled();
    })) << "F5 outside a field reloads the page";
    EXPECT_EQ("heslo123", view.Html().value("RA_REVOKE_PASSWD").value_or(""));
    EXPECT_EQ("heslo124", view.Html().value("RA_REVOKE_PASSWD2").value_or(""));

    // The repetition put right: Tab from where the reload left the focus
    // until a mark typed shows in it (Tab selects a field's text, which the
    // mark replaces; the first field, met on the way, is typed again), then
    // typed anew.
    const auto marked = [&](const std::string& field) {
        return view.Html().value(field).value_or("").ends_with("#");
    };
    bool inRepetition = false;
    for (int tabs = 0; tabs < 16 && !inRepetition; ++tabs) {
        press(title, "Tab");
        type("#");
        inRepetition = until([&] { return marked("RA_REVOKE_PASSWD2"); }, std::chrono::seconds(1));
        if (!inRepetition && marked("RA_REVOKE_PASSWD")) {
            press(title, "ctrl+a BackSpace");
            type("heslo123");
            EXPECT_TRUE(until([&] { return view.Html().value("RA_REVOKE_PASSWD").value_or("") == "heslo123"; }));
        }
    }
    ASSERT_TRUE(inRepetition) << "the repetition was not reached by Tab";
    press(title, "ctrl+a BackSpace");
    type("heslo123");
    EXPECT_TRUE(until([&] { return view.Html().value("RA_REVOKE_PASSWD2").value_or("") == "heslo123"; }));
    press(title, "Tab Return");
    ASSERT_TRUE(pageShown(view, "data_renew.htm"));
    EXPECT_EQ(0u, view.Html().innerHtml("RA_KEYLENHASH_QC").value_or("").rfind("2048b, ", 0));
    EXPECT_NE(std::string::npos, view.Html().innerHtml("RA_TEMPLATE_HTML").value_or("").find("Jan"));

    // The certificate names no given name and surname: the form asks for
    // them. The user tabs to the name field (a mark typed shows when it is
    // there), types the name, goes Home and adds before it, then takes it
    // away again: the field was edited, the page stayed.
    ASSERT_TRUE(tabInto(title, view, "RA_NAME")) << "the name field was not reached by Tab";
    type("Jan");
    press(title, "Home");
    type("X");
    EXPECT_TRUE(until([&] { return view.Html().value("RA_NAME").value_or("") == "XJan"; }))
        << view.Html().value("RA_NAME").value_or("");
    EXPECT_EQ("data_renew.htm", view.PageName()) << "Home in the field edits it";
    press(title, "Home Delete F5");
    EXPECT_TRUE(until([&] { return view.Html().value("RA_NAME").value_or("") == "Jan"; }));
    // F1 in the field opens the page's help.
    press(title, "F1");
    EXPECT_TRUE(until([&] { return opener.opened(1).filename() == "4013.htm"; })) << "F1 opens the data page's help";
    press(title, "Tab");
    EXPECT_TRUE(typeInto(view, "RA_SURNAME", "Novák")) << view.Html().value("RA_SURNAME").value_or("");
    screenshot(title, {shot("data"), {"Údaje žádosti o obnovu", "Kryptografický modul", "Novák"}});

    // On to the page's Continue: Return on each next element until the page
    // goes (Return on a check box does nothing).
    for (int tabs = 0; tabs < 8 && view.PageName() == "data_renew.htm"; ++tabs) {
        press(title, "Tab Return");
        until([&] { return view.PageName() != "data_renew.htm"; }, std::chrono::seconds(5));
    }
    ASSERT_TRUE(pageShown(view, "summary_renew.htm"));
    EXPECT_EQ(renewal.qualified.csp->provider(), frame.Request(0).provider.name) << "the new key where the old one is";
    const std::u16string pem = frame.Request(0).requestText;
    EXPECT_TRUE(pem.ends_with(u"-----END CERTIFICATE REQUEST-----\n"));
    const std::string text = openssl_request::verifiedText(pem);
    EXPECT_NE(std::string::npos, text.find("self-signature verify OK")) << text;
    EXPECT_NE(std::string::npos, text.find("CN=Jan Novák")) << text;
    EXPECT_NE(std::string::npos, view.Html().innerHtml("RA_REQUEST_QC").value_or("").find("BEGIN CERTIFICATE REQUEST"));
    screenshot(title, {shot("summary"), {"Souhrn žádosti", "Žádost o kvalifikovaný certifikát",
                                         "BEGIN CERTIFICATE REQUEST", "Podepsat a odeslat"}});
    std::string why;

    // The signer's confirmation: Yes stays disabled until the box agreeing
    // to the document's content is ticked with the pointer.
    auto user = std::async(std::launch::async, [this] {
        const std::string confirmation =
            shownWindow("Potvrzení", {shot("signing"), {"Souhlasím s obsahem podepisovaného dokumentu", "CN=Jan Novák",
                                                        "Přejete si podepsat dokument s výše uvedenými atributy?"}});
        if (confirmation.empty()) return;
        // The box lies at 14, 24 dialog units, 10 high, in base units of
        // the font the dialogs are drawn in (the signer's own copy of the
        // layer lays it out; this one measures the same font).
        const LONG base = GetDialogBaseUnits();
        const platform::ui::BaseUnits units{LOWORD(base), HIWORD(base)};
        const int x = units.pixelsX(14) + 20;
        const int y = units.pixelsY(24) + units.pixelsY(10) / 2;
        EXPECT_EQ(0, xdotool({"mousemove", "--window", confirmation, std::to_string(x), std::to_string(y), "click", "1"}));
        // Ticked, the box is filled in GTK's accent blue.
        const testkit::Pixels tick{"the ticked box", units.pixelsX(14), units.pixelsY(24), units.pixelsX(14) + 20,
                                   units.pixelsY(24) + units.pixelsY(10), "#3584E4", 0.15};
        EXPECT_NO_THROW(s_xvfb->screenshotShowing(shot("agreed"), confirmation, {tick}));
        // Yes is taken once the tick has come through.
        pressUntilClosed("Potvrzení", "Return");
    });
    EXPECT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "SUMMARY_SEND", {}}, &why)) << why;
    user.get();
    ASSERT_TRUE(pageShown(view, "appendix.htm"));
    const auto got = renewal.server.requests();
    ASSERT_EQ(1u, got.size()) << log();
    EXPECT_EQ("ok", got[0].verdict);
    ASSERT_EQ(1u, got[0].numbers.size());
    ASSERT_EQ("appendix.htm", view.PageName());
    EXPECT_NE(std::string::npos,
              view.Html().innerHtml("REQ_NOTE_SEND").value_or("").find("<b>" + got[0].numbers[0].second + "</b>"));
    screenshot(title, {shot("appendix"),
                       {"Výsledek žádosti", "Vaše žádost byla přijata pod číslem: " + got[0].numbers[0].second}});
    halvex::TAppData::Instance().SetServerUrl(u"");
}

INSTANTIATE_TEST_SUITE_P(KeyKinds, WholeRenewalOnScreen,
                         testing::Values(testkit::CspKind::Software, testkit::CspKind::SoftHsmToken));

// While the program's thread is held (as in key generation) and takes no
// messages, the busy window shows its text and its bar goes on moving: two
// screenshots of the bar's block apart differ.
TEST_F(HalvexOnScreen, TheBusyBarMovesWhileTheProgramsThreadIsHeld) {
    const HINSTANCE program = GetModuleHandleW(nullptr);
    halvex::DeclareBusyDialogTemplate(program);
    const HWND window = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    halvex::BusyWindow busy;
    ASSERT_TRUE(busy.Start(program, window));
    busy.ShowBusy(33073);
    // This thread takes no messages from here on: it only looks, until the
    // window shows its text and its bar, then until the screen has changed
    // or 10 s have gone.
    const std::string shown = testkit::findWindow("");
    ASSERT_FALSE(shown.empty()) << "no busy window came";
    EXPECT_NO_THROW(s_xvfb->screenshotShowing("halvex-busy-text", shown, {"Připravuji generátor žádosti ..."}));
    // GTK draws the bar's block in its accent blue.
    const RECT bar = testkit::placeInDialog(busy.Window(), halvex::kBusyBarId);
    const testkit::Pixels block{"the bar's block", bar.left, bar.top, bar.right, bar.bottom, "#3584E4", 0.01};
    std::filesystem::path first;
    EXPECT_NO_THROW(first = s_xvfb->screenshotShowing("halvex-busy-1", shown, {block}));
    const auto moved = [&](const auto& shot, const testkit::ScreenRegion& window) {
        const auto inBar = window.part(bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top);
        return testkit::differentPixels(first, shot, inBar) > 0 ? "" : "the bar stood still";
    };
    EXPECT_NO_THROW(s_xvfb->screenshotShowing("halvex-busy-2", shown, moved, std::chrono::seconds(10)));
    busy.HideBusy();
    EXPECT_TRUE(busy.Close());
    DestroyWindow(window);
}

}  // namespace

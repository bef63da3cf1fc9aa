// The program's window on a private X server: with the real enrolment
// library and signing component it shows the home page in WebKitGTK; a
// click leads to the request page, F1 opens its help topic, Back returns;
// the accelerators Home and Alt+X work. Screenshots go to the artifacts
// folder.
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex_app.h"
#include "busy_window.h"
#include "main_frame.h"
#include "../shell_fixture.h"
#include "testkit/scoped_env.h"
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
        const auto window = testkit::run({"xdotool", "search", "--name", title});
        ASSERT_EQ(0, window.exitCode) << window.err;
        const std::string id = window.out.substr(0, window.out.find('\n'));
        testkit::run({"xdotool", "windowfocus", id});
        pump(300);
        ASSERT_EQ(0, testkit::run({"xdotool", "key", "--window", id, key}).exitCode);
        pump();
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

    std::string why;
    ASSERT_TRUE(view.Html().perform(PageAction{PageAction::Kind::Click, "HOME_LOAD", {}}, &why)) << why;
    ASSERT_TRUE(view.Html().waitUntilSettled());
    EXPECT_EQ("selrequest.htm", view.PageName());
    EXPECT_TRUE(view.Html().commandEnabled(halvex::kCommandBack));
    screenshot("halvex-selrequest");
    press(platform::text::toUtf8(title), "F1");
    EXPECT_EQ("4016.htm", opener.opened(1).filename()) << "F1 opens the page's help topic";

    frame.OnCommand(halvex::kCommandBack);
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

// While the program's thread is held (as in key generation) and takes no
// messages, the busy window's bar goes on moving: two screenshots apart
// differ.
TEST_F(HalvexOnScreen, TheBusyBarMovesWhileTheProgramsThreadIsHeld) {
    const HINSTANCE program = GetModuleHandleW(nullptr);
    halvex::DeclareBusyTemplate(program);
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

// The program's window on a private X server: with the real enrolment
// library and signing component it shows the home page in WebKitGTK; a
// click leads to the request page and Back returns. Screenshots go to the
// artifacts folder.
#include <chrono>
#include <memory>
#include <string>

#include "halvex/app_data.h"
#include "halvex/log.h"
#include "halvex_app.h"
#include "main_frame.h"
#include "../shell_fixture.h"
#include "testkit/scoped_env.h"
#include "testkit/xvfb.h"
#include "win32/com.h"

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

    // Lets the view draw what it shows, then saves the screen.
    static void screenshot(const std::string& name) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
        while (std::chrono::steady_clock::now() < until) {
            if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(10000);
        }
        s_xvfb->screenshot(name);
    }

    static inline testkit::Xvfb* s_xvfb = nullptr;
    ScopedEnv m_gdk{"GDK_BACKEND", "x11"};
    ScopedEnv m_renderer{"GSK_RENDERER", "cairo"};
    ScopedEnv m_accessibility{"NO_AT_BRIDGE", "1"};
    std::unique_ptr<ScopedEnv> m_artifacts;
};

TEST_F(HalvexOnScreen, HomeToTheRequestPageAndBackInTheWindow) {
    halvex::MainFrame frame(halvex::ApplyProfileEnvironment());
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
    screenshot("halvex-selrequest");

    frame.OnCommand(halvex::kCommandBack);
    ASSERT_TRUE(view.Html().waitUntilSettled());
    EXPECT_EQ("home.htm", view.PageName());
    screenshot("halvex-back-home");
}

}  // namespace

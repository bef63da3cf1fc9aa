// The what's-new page in WebKitGTK on an X server of the test's own: the
// notes since the stored version, left as a screenshot in the artifacts
// folder, and "Pokračovat" pressed from the keyboard closing it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "halvex/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "upgrade_info_dialog.h"

namespace {

namespace fs = std::filesystem;

TEST(UpgradeInfoOnScreen, TheNotesSinceTheStoredVersionShowUntilContinueIsPressed) {
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

    // The button is the page's one focusable element: Tab reaches it,
    // Return presses it. The person looks once the page has had time to
    // load.
    auto person = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        user.answer("Halvex", "Tab Return", "halvex-whats-new");
    });
    halvex::ShowUpgradeInfo(platform::text::fromUtf8(program.string() + "/"), u"1.4.4.4");
    person.get();
    EXPECT_EQ(u"1.4.4.4", halvex::GetProfileString(halvex::kWorkspaceSection, u"AppVersion", u""));
    platform::ui::setBackend(nullptr);
}

}  // namespace

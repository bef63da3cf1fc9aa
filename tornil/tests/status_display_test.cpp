// The closing dialog of the upgrade process shows the last status in the
// user's language, with OK enabled, and ends when OK is pressed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui.h"
#include "status_display.h"
#include "testkit/scoped_env.h"

namespace {

TEST(StatusDisplay, TheClosingDialogShowsTheLastStatusInTheUsersLanguage) {
    ScopedEnv backend("PLATFORM_UI", "script");
    const std::vector<std::pair<int, std::string>> expected{
        {0, R"(Dialog 101: Aktualizace | 1002 default "OK" | 1003 static "Aktualizace aplikace" | 1004 static "Aktualizace úspěšně dokončena")"},
        {1, R"(Dialog 101: Aktualizácia | 1002 default "OK" | 1003 static "Aktualizácia aplikácie" | 1004 static "Aktualizácia úspešne ukončená")"},
        {2, R"(Dialog 101: Update | 1002 default "OK" | 1003 static "Application update" | 1004 static "Update successfully finished")"},
    };
    for (const auto& [language, line] : expected) {
        platform::ui::script::clear();
        platform::ui::script::queue("Dialog", "press:1002");
        tornil::StatusDisplay display;
        display.setLanguage(language);
        display.show(tornil::kRemovingOldFiles);
        display.show(tornil::kUpdateFinished);
        display.confirm();
        EXPECT_EQ(0u, platform::ui::script::pending());
        EXPECT_EQ(std::vector<std::string>{line}, platform::ui::script::transcript());
    }
}

}  // namespace

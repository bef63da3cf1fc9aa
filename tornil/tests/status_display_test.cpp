// The dialog of the upgrade process: up on its own thread while the work
// runs, it follows each status in order with OK disabled, then shows the
// last status in the user's language with OK enabled and ends when OK is
// pressed. A run that ends without the user's OK takes it down unasked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui.h"
#include "status_display.h"
#include "testkit/scoped_env.h"

namespace {

namespace script = platform::ui::script;

TEST(StatusDisplay, TheDialogFollowsEachStatusWhileTheWorkRunsAndAsksForOkAtTheEnd) {
    ScopedEnv backend("PLATFORM_UI", "script");
    script::clear();
    script::queue("Dialog", "press:1002");
    {
        tornil::StatusDisplay display;
        display.open();
        display.setLanguage(2);
        for (const auto status : {tornil::kWaitingForClient, tornil::kRemovingOldFiles, tornil::kCopyingNewFiles,
                                  tornil::kUpdateFinished})
            display.show(status);
        display.confirm();
    }
    EXPECT_EQ(0u, script::pending());
    EXPECT_EQ((std::vector<std::string>{
                  R"(Dialog 101: Aktualizace | 1002 default "OK" disabled | 1003 static "Aktualizace probíhá..." | 1004 static "")",
                  R"(Dialog 101 1003 "Application update")",
                  R"(Dialog 101 1004 "Waiting for close of client application")",
                  R"(Dialog 101 1004 "Removing old files")",
                  R"(Dialog 101 1004 "Copying new files")",
                  R"(Dialog 101 1004 "Update successfully finished")",
                  "Dialog 101 destroyed",
                  R"(Dialog 101: Update | 1002 default "OK" | 1003 static "Application update" | 1004 static "Update successfully finished")",
              }),
              script::transcript());

    script::clear();
    {
        tornil::StatusDisplay display;
        display.open();
        display.show(tornil::kUpdateFailed);
    }
    EXPECT_EQ((std::vector<std::string>{
                  R"(Dialog 101: Aktualizace | 1002 default "OK" disabled | 1003 static "Aktualizace probíhá..." | 1004 static "")",
                  R"(Dialog 101 1004 "Aktualizace se nezdařila")",
                  "Dialog 101 destroyed",
              }),
              script::transcript());
}

TEST(StatusDisplay, WithoutTheDialogsThreadTheClosingDialogStillShowsTheLastStatusInTheUsersLanguage) {
    ScopedEnv backend("PLATFORM_UI", "script");
    const std::vector<std::pair<int, std::string>> expected{
        {0, R"(Dialog 101: Aktualizace | 1002 default "OK" | 1003 static "Aktualizace aplikace" | 1004 static "Aktualizace úspěšně dokončena")"},
        {1, R"(Dialog 101: Aktualizácia | 1002 default "OK" | 1003 static "Aktualizácia aplikácie" | 1004 static "Aktualizácia úspešne ukončená")"},
    };
    for (const auto& [language, line] : expected) {
        script::clear();
        script::queue("Dialog", "press:1002");
        tornil::StatusDisplay display;
        display.setLanguage(language);
        display.show(tornil::kRemovingOldFiles);
        display.show(tornil::kUpdateFinished);
        display.confirm();
        EXPECT_EQ(0u, script::pending());
        EXPECT_EQ(std::vector<std::string>{line}, script::transcript());
    }
}

}  // namespace

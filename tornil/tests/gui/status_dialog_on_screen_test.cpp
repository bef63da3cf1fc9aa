// The upgrade process's dialog as a GTK window on a private X server: up on
// its own thread with a status while the working thread is busy elsewhere,
// then the end with OK, which Enter presses; each fits its window (no
// control over another or past the edge). Screenshots in the artifacts
// folder.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "status_display.h"
#include "testkit/dialog_layout.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kTitle = "Aktualizace";

// The X ids of the visible windows of that title, one a line.
std::string visibleWindows() {
    testkit::RunOptions options;
    options.timeout = 10s;
    return testkit::run({"xdotool", "search", "--onlyvisible", "--name", std::string("^") + kTitle + "$"}, options)
        .out;
}

TEST(StatusDialogOnScreen, TheDialogShowsTheStatusWhileTheWorkRunsAndAsksForOkAtTheEnd) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::ScreenUser user;
    tornil::StatusDisplay display;
    display.open();
    display.setLanguage(0);
    display.show(tornil::kCopyingNewFiles);
    // This thread is busy answering; the dialog's own thread keeps it drawn.
    testkit::answerCheckingLayout(user, kTitle, "shift", {"tornil-status", {"Kopírují se nové soubory"}});
    const std::string working = visibleWindows();
    ASSERT_FALSE(working.empty());

    display.show(tornil::kUpdateFinished);
    auto person = std::async(std::launch::async, [&] {
        // The closing dialog takes the working one's place.
        for (int i = 0; i < 200 && (visibleWindows().empty() || visibleWindows() == working); ++i)
            std::this_thread::sleep_for(50ms);
        testkit::answerCheckingLayout(user, kTitle, "Return", {"tornil-ok", {"Aktualizace úspěšně dokončena", "OK"}});
    });
    display.confirm();
    person.get();
    EXPECT_EQ("", visibleWindows()) << "nothing stays up after OK";
}

}  // namespace

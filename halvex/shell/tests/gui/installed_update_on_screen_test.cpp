// The installed renewal program updated on an X server of the test's own,
// every piece its own process with GTK windows answered by key presses:
// the question answered Yes, the download dialog, the upgrade process's
// closing dialog confirmed, and at the next start the notes page closed by
// "Pokračovat" and the program closed by Alt+X; screenshots in the
// artifacts folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "../installed_program.h"
#include "testkit/screen_user.h"

namespace {

namespace fs = std::filesystem;
using installed_program::InstalledProgram;

TEST_F(InstalledProgram, OnScreenYesUpdatesTheProgramAndTheNextStartShowsWhatIsNew) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::ScreenUser user(std::chrono::seconds(240));
    auto person = std::async(std::launch::async, [&] {
        // The question's caption is the program's name.
        user.answer("halvex", "alt+a", {"halvex-installed-update-question", {"Je k dispozici nová verze aplikace.", "Přejete si provést aktualizaci na nejnovější verzi?"}});
        user.look("Halvex", {"halvex-installed-update-download", {"Probíhá stažení nejnovější verze aplikace"}});
        // The upgrade process follows its work in a dialog whose OK is
        // disabled, then puts the same dialog up with OK in its place:
        // Return is pressed until the dialog goes, however long the work.
        user.answerUntilGone("Aktualizace", "Return",
                             {"halvex-installed-update-done", {"Aktualizace úspěšně dokončena", "OK"}});
    });
    const auto updating = runInstalled({});
    person.get();
    EXPECT_EQ(0, updating.exitCode) << updating.err << log();
    EXPECT_TRUE(updating.out.ends_with("\nAktualizace úspěšně dokončena\n")) << updating.out << updating.err;
    expectUpdated();

    // The page's one focusable element is its button; the person looks at
    // the page once it shows.
    person = std::async(std::launch::async, [&] {
        user.answer("Halvex", "Tab Return",
                    {"halvex-installed-update-whats-new", {"Aktualizace programu", "Program se aktualizuje sám.",
                                                           "Pokračovat"}});
        user.answer("Halvex v1.0.0.1 TEST", "alt+x", {"", {"Obnova certifikátu"}});
    });
    const auto next = runInstalled({});
    person.get();
    EXPECT_EQ(0, next.exitCode) << next.err << log();
    EXPECT_EQ(u"1.0.0.1", storedVersion());
}

}  // namespace

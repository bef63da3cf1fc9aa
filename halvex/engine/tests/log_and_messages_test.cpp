#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/messages.h"
#include "win32/ui.h"

namespace halvex {
namespace {

// 2024-03-05 07:08:09.045 UTC as FILETIME units.
constexpr ULONGLONG kFixedTime = platform::clock::kUnixEpochAsFileTime + 1709622489045ull * 10000ull;

class HalvexLog : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        setenv("TZ", "UTC", 1);
        tzset();
        platform::clock::setForTests(kFixedTime);
        log.SetPath(platform::paths::toWide(root.path() / "halvex.log"));
        log.Init(true, true);
        platform::ui::script::clear();
    }
    void TearDown() override {
        platform::clock::setForTests(std::nullopt);
        log.Init(false, false);
        log.SetPath(u"");
    }
    std::string logged() const { return root.read("halvex.log"); }

    testkit::PlatformRoot root;
    TLogFile& log = TLogFile::GetInstance();
};

TEST_F(HalvexLog, EntriesCarryTheTimeAndIndentContinuationLines) {
    SetLastError(5);
    EXPECT_TRUE(log.Print(u"Start(): %s %d\nsecond", u"Řež", 7));
    EXPECT_EQ(GetLastError(), 5u);
    log.Init(true, false);
    EXPECT_FALSE(log.PrintIfOn(u"detail"));
    EXPECT_TRUE(log.Print(u"plain"));
    EXPECT_EQ(logged(), "<05/03/2024 07:08:09.045> Start(): \xD8" "e\x9E 7\n\t\t\tsecond\n"
                        "<05/03/2024 07:08:09.045> plain\n");

    log.Init(false, true);
    EXPECT_FALSE(log.Print(u"off"));
    log.Init(true, true);
    log.SetPath(u"");
    EXPECT_FALSE(log.Print(u"nowhere"));
}

TEST_F(HalvexLog, TwoThreadsWriteWholeLines) {
    const std::u16string line(400, u'a');
    const std::u16string other(400, u'b');
    auto writer = [this](const std::u16string& text) {
        for (int i = 0; i < 200; ++i) log.Print(u"%s", text.c_str());
    };
    std::thread first(writer, line);
    std::thread second(writer, other);
    first.join();
    second.join();
    const std::string text = logged();
    std::size_t lines = 0;
    for (std::size_t at = 0; at < text.size(); ++lines) {
        const std::size_t end = text.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string body = text.substr(at + 26, end - at - 26);
        EXPECT_TRUE(body == std::string(400, 'a') || body == std::string(400, 'b'));
        at = end + 1;
    }
    EXPECT_EQ(lines, 400u);
}

TEST_F(HalvexLog, ErrorBoxShowsAndLogsTheComposedMessage) {
    platform::ui::script::queue("MessageBox", "IDOK");
    SetLastError(5);
    ErrorBox(u"Soubor 100%s nelze číst.", 4058, true, false);
    const auto shown = platform::ui::script::transcript();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Soubor 100%s nelze číst.\n\nChyba při získání CLSID knihovny mirelo.dll."
                            "\n\nKód chyby: 4058\n\nČíslo systémové chyby: 0x00000005 (5)- "),
              std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("halvex_engine_tests"), std::string::npos);

    const std::string text = logged();
    EXPECT_EQ(text.rfind("<05/03/2024 07:08:09.045> ============== ErrorBox ===============\n\t\t\tSoubor 100%s nelze "
                         "\xE8\xEDst.\n\t\t\tChyba p\xF8i z\xEDsk\xE1n\xED CLSID knihovny mirelo.dll.\n\t\t\tK\xF3" "d chyby: 4058\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("\n\t\t\t=======================================\n"), std::string::npos);

    // Silent: nothing shown, the message logged alone.
    SetLastError(0);
    ErrorBox(u"tiché", 0, true, true);
    EXPECT_EQ(platform::ui::script::transcript().size(), 1u);
    EXPECT_NE(logged().find("> tich\xE9\n"), std::string::npos);
}

// Over the main window a box is captioned "Halvex", and what the shell
// hides first (its busy window) is gone before the box shows.
TEST_F(HalvexLog, OverTheMainWindowBoxesAreTheProgramsAndComeAfterTheHook) {
    HWND window = CreateWindowExW(0, u"STATIC", u"Halvex", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    std::vector<std::size_t> shownBeforeHook;
    SetMessageBoxHooks(window, [&] { shownBeforeHook.push_back(platform::ui::script::transcript().size()); });
    platform::ui::script::queue("MessageBox", "IDNO");
    platform::ui::script::queue("MessageBox", "IDOK");
    EXPECT_EQ(IDNO, AppMessageBox(u"Pokračovat?", MB_YESNO | MB_ICONQUESTION));
    ErrorBox(u"Chyba", 0, false, false);
    const auto shown = platform::ui::script::transcript();
    SetMessageBoxHooks(nullptr, {});
    DestroyWindow(window);

    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(0u, shown[0].rfind("MessageBox: Halvex: Pokračovat?", 0)) << shown[0];
    EXPECT_EQ(0u, shown[1].rfind("MessageBox: Halvex: Chyba", 0)) << shown[1];
    EXPECT_EQ((std::vector<std::size_t>{0, 1}), shownBeforeHook);
}

TEST(HalvexMessages, ErrorTextsComeFromTheStringTable) {
    EXPECT_EQ(FormatErrorMessage(4000, true), u"");
    EXPECT_EQ(FormatErrorMessage(4059, true),
              u"Chyba při inicializaci knihovny mirelo.dll.\nZřejmě poškozená instalace aplikace.\n\nKód chyby: 4059");
    // An argument of any length is cut at the bound; the code line follows.
    const std::u16string name(5000, u'x');
    const std::u16string bounded = FormatErrorMessage(4027, true, name.c_str());
    const auto codeLine = bounded.find(u"\n\nKód chyby: 4027");
    EXPECT_EQ(codeLine, 1023u);
    EXPECT_EQ(std::u16string(10, u'x'), bounded.substr(codeLine - 10, 10)) << "cut inside the argument";
    SetLastError(0);
    EXPECT_EQ(GetSystemErrorText(), u"");
}

// A log of entries, some with continuation lines, of about `size` bytes.
std::string LogOfEntries(std::size_t size) {
    std::string text;
    for (int n = 0; text.size() < size; ++n) {
        text += "<05/03/2024 07:08:09.045> entry " + std::to_string(n) + " " + std::string(n % 97, 'x') + "\n";
        if (n % 5 == 0) text += "\t\t\tcontinued " + std::to_string(n) + "\n";
    }
    return text;
}

TEST_F(HalvexLog, TrimmingKeepsTheLastWholeEntriesOfALargeFile) {
    const std::string small = LogOfEntries(400000).substr(0, 400000);
    root.write("halvex.log", small);
    log.Trim();
    EXPECT_EQ(logged(), small);

    const std::string large = LogOfEntries(450000);
    root.write("halvex.log", large);
    log.Trim();
    const std::string kept = logged();
    ASSERT_FALSE(kept.empty());
    EXPECT_LE(kept.size(), 200000u);
    EXPECT_GT(kept.size(), 199000u);
    EXPECT_EQ(kept, large.substr(large.size() - kept.size()));
    EXPECT_EQ(kept.substr(0, 26), "<05/03/2024 07:08:09.045> ");
    EXPECT_EQ(large[large.size() - kept.size() - 1], '\n');

    EXPECT_TRUE(log.Print(u"after"));
    EXPECT_EQ(logged(), kept + "<05/03/2024 07:08:09.045> after\n");
    EXPECT_FALSE(std::filesystem::exists(root.path() / "halvex.log.trim"));

    // One line longer than what is kept: nothing whole is left.
    root.write("halvex.log", std::string(500000, 'y') + "\n");
    EXPECT_TRUE(TrimLogFile(root.path() / "halvex.log"));
    EXPECT_EQ(logged(), "");
    EXPECT_TRUE(TrimLogFile(root.path() / "missing.log"));
}

// A trimming or a text written over a file, killed at any moment, leaves
// the old file or the new one. The kills are spread over the time one
// rewriting process takes.
TEST_F(HalvexLog, KilledRewritingLeavesTheOldOrTheNewFile) {
    const std::string large = LogOfEntries(600000);
    const std::filesystem::path file = root.path() / "halvex.log";
    const std::u16string text(3000000, u'ž');
    auto rewriteInChild = [&](const std::function<bool()>& rewrite, std::optional<std::chrono::microseconds> killAfter) {
        root.write("halvex.log", large);
        const pid_t child = fork();
        if (child < 0) return std::string("no process");
        if (child == 0) _exit(rewrite() ? 0 : 1);
        if (killAfter) {
            std::this_thread::sleep_for(*killAfter);
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return logged();
    };
    const std::function<bool()> rewrites[] = {
        [&] { return TrimLogFile(file); },
        [&] { return WriteTextToFile(platform::paths::toWide(file), text); },
    };
    for (const auto& rewrite : rewrites) {
        const auto start = std::chrono::steady_clock::now();
        const std::string rewritten = rewriteInChild(rewrite, std::nullopt);
        const auto whole =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        ASSERT_NE(rewritten, large);
        for (int step = 0; step <= 24; ++step) {
            const std::string after = rewriteInChild(rewrite, whole * step / 20);
            ASSERT_TRUE(after == large || after == rewritten)
                << "killed at " << step << "/20: " << after.size() << " bytes";
        }
        // A leftover of a killed run does not stand in the way.
        root.write("halvex.log", large);
        EXPECT_TRUE(rewrite());
        EXPECT_EQ(logged(), rewritten);
    }
    EXPECT_FALSE(std::filesystem::exists(root.path() / "halvex.log.trim"));
    EXPECT_FALSE(std::filesystem::exists(root.path() / "halvex.log.tmp"));
}

}  // namespace
}  // namespace halvex

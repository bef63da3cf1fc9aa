// ShellExecute's "open" with a stub opener in place of xdg-open: the stub
// records the arguments it gets and its working folder, and ends the way
// the test asks (exit status, message, signal, or running on).
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/ansi_name.h"
#include "platform/text.h"
#include "shell_result.h"
#include <testkit/scoped_env.h>
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/shell.h"

namespace {

namespace fs = std::filesystem;

constexpr char kStub[] = R"(#!/bin/sh
printf '%s\0' "$@" > "$OPENER_RECORD"
pwd > "$OPENER_RECORD.cwd"
if [ -n "$OPENER_MESSAGE" ]; then printf '%s\n' "$OPENER_MESSAGE" >&2; fi
if [ -n "$OPENER_SLEEP" ]; then echo $$ > "$OPENER_RECORD.pid"; exec sleep "$OPENER_SLEEP"; fi
if [ -n "$OPENER_SIGNAL" ]; then kill -"$OPENER_SIGNAL" $$; fi
exit "${OPENER_STATUS:-0}"
)";

class ShellExecuteOpen : public ::testing::Test {
protected:
    ShellExecuteOpen() {
        fs::permissions(stub, fs::perms::owner_all);
        fs::create_directories(root.path() / "docs");
    }

    int open(const fs::path& file, const char16_t* verb = u"open", const char16_t* directory = nullptr) {
        const std::u16string wide = platform::text::fromUtf8(file.string());
        return resultOf(ShellExecuteW(nullptr, verb, wide.c_str(), nullptr, directory, SW_SHOWNORMAL));
    }

    bool openerRan() const { return fs::exists(record); }

    std::vector<std::string> arguments() const {
        const std::string recorded = root.read("record");
        std::vector<std::string> out;
        for (std::size_t at = 0; at < recorded.size();) {
            const auto end = recorded.find('\0', at);
            out.push_back(recorded.substr(at, end - at));
            at = end + 1;
        }
        return out;
    }

    testkit::PlatformRoot root;
    const fs::path stub = root.write("bin/opener", kStub);
    const fs::path record = root.path() / "record";
    ScopedEnv opener{"PLATFORM_OPEN_COMMAND", stub.c_str()};
    ScopedEnv recordEnv{"OPENER_RECORD", record.c_str()};
};

TEST_F(ShellExecuteOpen, APathWithShellCharactersArrivesAsOneUnchangedArgument) {
    const fs::path file = root.write("docs/a \"quoted\" 'name'; $(touch pwned) `touch pwned` & x.txt", "text");
    EXPECT_EQ(42, open(file));
    EXPECT_EQ(std::vector<std::string>{file.string()}, arguments());
    EXPECT_FALSE(fs::exists(root.path() / "pwned"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
}

TEST_F(ShellExecuteOpen, ARelativeNameIsMadeAbsoluteInTheGivenFolder) {
    root.write("docs/--help", "not an option");
    const std::u16string folder = platform::text::fromUtf8((root.path() / "docs").string());
    EXPECT_EQ(42, open("--help", nullptr, folder.c_str()));
    EXPECT_EQ(std::vector<std::string>{(root.path() / "docs" / "--help").string()}, arguments());
    EXPECT_EQ((root.path() / "docs").string() + "\n", root.read("record.cwd"));

    const std::u16string missingFolder = platform::text::fromUtf8((root.path() / "nowhere").string());
    EXPECT_EQ(SE_ERR_PNF, open("--help", nullptr, missingFolder.c_str()));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST_F(ShellExecuteOpen, AnsiNamesAreWindows1250AndBackslashesSeparate) {
    const fs::path file = root.write("docs/\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD.txt", "text");  // UTF-8 on disk
    const std::string folder = platform::paths::toAnsiName(root.path());
    EXPECT_EQ(42, resultOf(ShellExecuteA(nullptr, "open", "docs\\\x9Elu\x9Dou\xE8k\xFD.txt", nullptr, folder.c_str(),
                                         SW_SHOW)));
    EXPECT_EQ(std::vector<std::string>{file.string()}, arguments());
}

TEST_F(ShellExecuteOpen, TheOpenersExitStatusBecomesTheShellResult) {
    const fs::path file = root.write("docs/file.xyz", "text");
    struct Case {
        const char* status;
        const char* message;
        int result;
        DWORD lastError;
    };
    const Case cases[] = {
        {"1", "", SE_ERR_DDEFAIL, ERROR_OPEN_FAILED},
        {"2", "", SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
        {"3", "xdg-open: no method available for opening", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"4", "gio: Failed to find default application for content type", SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
        {"4", "Permission denied", SE_ERR_DDEFAIL, ERROR_OPEN_FAILED},
        {"9", "", SE_ERR_DDEFAIL, ERROR_OPEN_FAILED},
    };
    for (const auto& c : cases) {
        ScopedEnv status("OPENER_STATUS", c.status);
        ScopedEnv message("OPENER_MESSAGE", c.message);
        SetLastError(0);
        EXPECT_EQ(c.result, open(file)) << c.status << " " << c.message;
        EXPECT_EQ(c.lastError, GetLastError()) << c.status << " " << c.message;
    }
    ScopedEnv killed("OPENER_SIGNAL", "KILL");
    EXPECT_EQ(SE_ERR_DDEFAIL, open(file));
}

TEST_F(ShellExecuteOpen, NothingIsStartedForAMissingFileOrAnotherVerb) {
    EXPECT_EQ(SE_ERR_FNF, open(root.path() / "docs" / "missing.txt"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ(SE_ERR_FNF, resultOf(ShellExecuteW(nullptr, u"open", nullptr, nullptr, nullptr, SW_SHOW)));
    const fs::path file = root.write("docs/file.txt", "text");
    EXPECT_EQ(SE_ERR_NOASSOC, open(file, u"print"));
    EXPECT_EQ(ERROR_NO_ASSOCIATION, GetLastError());
    EXPECT_FALSE(openerRan());
    EXPECT_EQ(42, open(file, u"OPEN"));
    EXPECT_EQ(42, open(file, u""));
    EXPECT_TRUE(openerRan());
}

TEST_F(ShellExecuteOpen, AMissingOpenerMeansNoAssociation) {
    const fs::path file = root.write("docs/file.txt", "text");
    ScopedEnv none("PLATFORM_OPEN_COMMAND", (root.path() / "bin" / "no-such-opener").c_str());
    EXPECT_EQ(SE_ERR_NOASSOC, open(file));
    EXPECT_EQ(ERROR_NO_ASSOCIATION, GetLastError());
}

TEST_F(ShellExecuteOpen, AnOpenerThatRunsOnCountsAsStarted) {
    const fs::path file = root.write("docs/file.txt", "text");
    ScopedEnv sleeping("OPENER_SLEEP", "30");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(42, open(file));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    kill(std::stoi(root.read("record.pid")), SIGKILL);
}

}  // namespace

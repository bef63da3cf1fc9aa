// runonce as a logon runs it: every value is gone before its command runs
// (a command interrupted with runonce never runs again), a program path
// with blanks is quoted, the arguments follow the Windows rules; the
// desktop's autostart entry that starts it at logon comes and goes with
// the RunOnce values.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <optional>
#include <vector>

#include "testkit/autostart.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/registry_lines.h"
#include "testkit/scoped_env.h"
#include "win32/registry.h"

namespace {

namespace fs = std::filesystem;

constexpr char16_t kRunOnce[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

void setRunOnce(const std::u16string& name, const std::u16string& command) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnce, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                            static_cast<DWORD>((command.size() + 1) * sizeof(char16_t))));
    RegCloseKey(key);
}

void deleteRunOnce(const std::u16string& name) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kRunOnce, 0, KEY_ALL_ACCESS, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, name.c_str()));
    RegCloseKey(key);
}

template <class Condition>
bool waitFor(Condition condition) {
    for (int i = 0; i < 200 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return condition();
}

bool waitForFile(const fs::path& file) {
    return waitFor([&] { return fs::exists(file); });
}

TEST(RunOnce, EachValueIsGoneBeforeItsCommandRunsAndArgumentsKeepTheirQuotes) {
    testkit::PlatformRoot root;
    // Records its arguments, then waits to be interrupted.
    const fs::path program = root.write("my programs/recorder", R"(#!/bin/sh
printf '%s|' "$@" > "$(dirname "$0")/args.tmp"
echo $$ > "$(dirname "$0")/pid.tmp"
mv "$(dirname "$0")/args.tmp" "$(dirname "$0")/args"
exec sleep 30
)");
    fs::permissions(program, fs::perms::owner_all);
    const std::u16string quoted = u"\"" + program.u16string() + u"\"";
    setRunOnce(u"First", quoted + uR"( Rollback "two words" a\"b)");
    const fs::path marker = root.path() / "second ran";
    setRunOnce(u"Second", u"/bin/touch \"" + marker.u16string() + u"\"");

    {
        testkit::Service runonce({TESK_RUNONCE});
        ASSERT_TRUE(waitForFile(program.parent_path() / "args"));
        EXPECT_EQ("Rollback|two words|a\"b|", testkit::readFile(program.parent_path() / "args"));
        // Interrupted while the first command runs.
        runonce.signal(SIGKILL);
    }
    kill(std::stoi(testkit::readFile(program.parent_path() / "pid.tmp")), SIGKILL);
    fs::remove(program.parent_path() / "args");
    EXPECT_FALSE(fs::exists(marker));

    // The next logon runs what is left, never the interrupted command again.
    const testkit::RunResult next = testkit::run({TESK_RUNONCE});
    EXPECT_EQ(0, next.exitCode) << next.err;
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(fs::exists(program.parent_path() / "args"));
    const std::set<std::string> emptyKey{"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"};
    EXPECT_EQ(emptyKey, testkit::registryLines(HKEY_CURRENT_USER, kRunOnce));
}

// The values set by one process are run at the next logon by the desktop:
// gio launches the autostart entry as a desktop session does, from an
// environment that names no platform root, and runonce works through the
// root the values were set in, whose path holds what the entry's line must
// escape. A value deleted takes the entry with it.
TEST(RunOnce, TheDesktopRunsTheValuesAtTheNextLogonThroughAnEntryThatGoesWithThem) {
    testkit::PlatformRoot root;
    const fs::path machine = root.path() / "Nový kořen $HOME `x` \"100%\" a\\b";
    fs::create_directories(machine);
    const ScopedEnv platformRoot("PLATFORM_ROOT", machine.string());
    const ScopedEnv runnerFolder("PLATFORM_MODULE_PATH", fs::path(TESK_RUNONCE).parent_path().string());
    EXPECT_TRUE(testkit::autostartEntries().empty());

    const fs::path marker = root.path() / "finished";
    const std::u16string command = u"/bin/touch \"" + marker.u16string() + u"\"";
    setRunOnce(u"Tesk Upgrade", command);
    ASSERT_EQ(1u, testkit::autostartEntries().size());
    deleteRunOnce(u"Tesk Upgrade");
    EXPECT_TRUE(testkit::autostartEntries().empty()) << "the entry goes with the last value";

    setRunOnce(u"Tesk Upgrade", command);
    const std::vector<fs::path> entries = testkit::autostartEntries();
    ASSERT_EQ(1u, entries.size());
    {
        // A session's environment names no platform root of its own.
        const ScopedEnv noRoot("PLATFORM_ROOT", std::nullopt);
        const ScopedEnv noRunner("PLATFORM_MODULE_PATH", std::nullopt);
        const testkit::RunResult launched = testkit::launchAtLogon(entries.front());
        ASSERT_EQ(0, launched.exitCode) << launched.err << testkit::readFile(entries.front());
        EXPECT_TRUE(waitForFile(marker)) << testkit::readFile(entries.front());
    }
    // runonce emptied the key, so the next logon has nothing to start.
    EXPECT_TRUE(waitFor([] { return testkit::autostartEntries().empty(); }));
    const std::set<std::string> emptyKey{"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"};
    EXPECT_EQ(emptyKey, testkit::registryLines(HKEY_CURRENT_USER, kRunOnce));
}

}  // namespace

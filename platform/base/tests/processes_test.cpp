// Processes: the own command line, a child started with its handle kept
// (wait and exit code), waiting for any process by id with a time-out, and
// the layer's programs found by their Windows names.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"
#include "win32/error.h"
#include "win32/process.h"
#include "win32/shell.h"
#include "win32/sync.h"

namespace {

namespace fs = std::filesystem;

TEST(Processes, CommandLineGivesBackEachArgumentByTheWindowsRules) {
    const std::vector<std::u16string> tricky{u"", u"two words", uR"(a\"b)", uR"(c\d)", uR"(e\\)", u"\"", u"plain"};
    std::u16string line;
    for (const auto& argument : tricky) line += platform::commandLine::quote(argument) + u" ";
    EXPECT_EQ(tricky, platform::commandLine::split(line));

    const auto [program, arguments] = platform::commandLine::splitProgram(GetCommandLineW());
    EXPECT_EQ(fs::read_symlink("/proc/self/exe"), fs::canonical(fs::path(program)));
    EXPECT_EQ(GetCommandLineW(), GetCommandLineW());
}

TEST(Processes, ChildStartedWithItsHandleIsWaitedForAndGivesItsExitCode) {
    testkit::PlatformRoot root;
    const fs::path tool = root.write("tools/exit_with", "#!/bin/sh\nsleep 0.2\nexit \"$1\"\n");
    fs::permissions(tool, fs::perms::owner_all);
    // A bare Windows program name is found like the layer's modules.
    ScopedEnv path("PLATFORM_MODULE_PATH", tool.parent_path().string());
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = u"exit_with.exe";
    info.lpParameters = u"7";
    ASSERT_TRUE(ShellExecuteExW(&info));
    ASSERT_NE(nullptr, info.hProcess);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(STILL_ACTIVE, code);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(7u, code);
    EXPECT_TRUE(CloseHandle(info.hProcess));

    info.fMask = 0;
    info.lpFile = u"no_such_tool.exe";
    EXPECT_FALSE(ShellExecuteExW(&info));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(Processes, AnyProcessIsWaitedForByIdWithATimeOut) {
    const pid_t sleeper = fork();
    ASSERT_GE(sleeper, 0);
    if (sleeper == 0) {
        execlp("sleep", "sleep", "30", nullptr);
        _exit(127);
    }
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(sleeper));
    ASSERT_NE(nullptr, process);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(process, 200));
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    kill(sleeper, SIGKILL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 5000));
    waitpid(sleeper, nullptr, 0);
    EXPECT_TRUE(CloseHandle(process));

    EXPECT_EQ(nullptr, OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(sleeper)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace

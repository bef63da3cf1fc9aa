// ShellExecuteExW starting a program directly: a recording script gets the
// parameters split by the Windows rules, runs in the given folder, and
// goes on after the process that started it has ended.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "shell_result.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/shell.h"

namespace {

namespace fs = std::filesystem;

// Waits a moment so that its starter has surely ended, then records.
constexpr char kRecorder[] = R"(#!/bin/sh
sleep 0.3
printf '%s|' "$@" > record.tmp
pwd >> record.tmp
mv record.tmp record
)";

SHELLEXECUTEINFOW infoFor(const char16_t* file, const char16_t* parameters, const std::u16string& folder) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    return info;
}

TEST(ShellExecuteEx, StartsTheProgramDetachedWithWindowsArgumentsInItsFolder) {
    testkit::PlatformRoot root;
    const fs::path program = root.write("bin dir/recorder", kRecorder);
    fs::permissions(program, fs::perms::owner_all);
    const std::u16string folder = program.parent_path().u16string();
    const char16_t* parameters = uR"(RunUpdate "two words" a\\\"b "x""y" c\d "e\\" "")";

    // The starter ends at once; the program must run on without it.
    const pid_t starter = fork();
    ASSERT_GE(starter, 0);
    if (starter == 0) {
        SHELLEXECUTEINFOW info = infoFor(u"recorder", parameters, folder);
        _exit(ShellExecuteExW(&info) && resultOf(info.hInstApp) > 32 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(starter, waitpid(starter, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const fs::path record = program.parent_path() / "record";
    for (int i = 0; i < 100 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ("RunUpdate|two words|a\\\"b|x\"y|c\\d|e\\||" + program.parent_path().string() + "\n",
              testkit::readFile(record));

    SHELLEXECUTEINFOW missing = infoFor(u"absent", u"", folder);
    EXPECT_FALSE(ShellExecuteExW(&missing));
    EXPECT_EQ(SE_ERR_FNF, resultOf(missing.hInstApp));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    const std::u16string absentFolder = folder + u"/absent";
    SHELLEXECUTEINFOW noFolder = infoFor(u"recorder", u"", absentFolder);
    EXPECT_FALSE(ShellExecuteExW(&noFolder));
    EXPECT_EQ(SE_ERR_PNF, resultOf(noFolder.hInstApp));
}

}  // namespace

// Process and thread ids, environment variables in both widths and
// expanded in a text, and what the system reports: the Windows version,
// the Windows folder, the memory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/sysinfo.h>

#include <string>
#include <thread>

#include "platform/paths.h"
#include "testkit/platform_root.h"

#include "testkit/scoped_env.h"
#include "win32/error.h"
#include "win32/process.h"


TEST(ProcessInfo, IdsOfProcessAndThreads) {
    EXPECT_EQ(static_cast<DWORD>(getpid()), GetCurrentProcessId());
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, GetCurrentThreadId());
}

TEST(Environment, ValuesInBothWidthsAndTheLengthRule) {
    ScopedEnv value("TESK_TEST_VAR", "\xC5\xBElu\xC5\xA5");  // "žluť" in UTF-8
    char16_t wide[16];
    EXPECT_EQ(4u, GetEnvironmentVariableW(u"TESK_TEST_VAR", wide, 16));
    EXPECT_EQ(u"\u017Elu\u0165", std::u16string(wide));
    char ansi[16];
    EXPECT_EQ(4u, GetEnvironmentVariableA("TESK_TEST_VAR", ansi, 16));
    EXPECT_STREQ("\x9Elu\x9D", ansi);                                  // Windows-1250
    EXPECT_EQ(5u, GetEnvironmentVariableA("TESK_TEST_VAR", ansi, 4));  // short: the size with the NUL

    ASSERT_TRUE(SetEnvironmentVariableW(u"TESK_TEST_VAR", u""));
    SetLastError(ERROR_INVALID_HANDLE);
    EXPECT_EQ(0u, GetEnvironmentVariableW(u"TESK_TEST_VAR", wide, 16));
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());  // empty, not missing

    ASSERT_TRUE(SetEnvironmentVariableA("TESK_TEST_VAR", nullptr));
    EXPECT_EQ(0u, GetEnvironmentVariableW(u"TESK_TEST_VAR", wide, 16));
    EXPECT_EQ(ERROR_ENVVAR_NOT_FOUND, GetLastError());
    EXPECT_FALSE(SetEnvironmentVariableA("A=B", "x"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(Version, ReportsWindows7ServicePack1) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(6u, info.dwMajorVersion);
    EXPECT_EQ(1u, info.dwMinorVersion);
    EXPECT_EQ(VER_PLATFORM_WIN32_NT, info.dwPlatformId);
    EXPECT_EQ(u"Service Pack 1", std::u16string(info.szCSDVersion));

    OSVERSIONINFOA narrow{};
    narrow.dwOSVersionInfoSize = sizeof narrow - 1;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExA(&narrow));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

// Unknown names and a lone "%" stay as written; the text is stored only
// when it fits, the size needed counted with its NUL.
TEST(Environment, VariablesAreExpandedInATextAndTheRestStays) {
    ScopedEnv cores("TESK_CORES", "4");
    ScopedEnv cpu("TESK_CPU", "x86_64 \xC5\xBEluť");
    ScopedEnv unset("TESK_UNSET", std::nullopt);
    const std::u16string source = u"CPU: %TESK_CORES%x %TESK_CPU%; %TESK_UNSET% %% 50% %tesk_cores%";
    const std::u16string expanded = u"CPU: 4x x86_64 \u017Elu\u0165; %TESK_UNSET% %% 50% %tesk_cores%";
    EXPECT_EQ(expanded.size() + 1, ExpandEnvironmentStringsW(source.c_str(), nullptr, 0));
    char16_t small[8] = u"keep";
    EXPECT_EQ(expanded.size() + 1, ExpandEnvironmentStringsW(source.c_str(), small, 8));
    EXPECT_EQ(u"keep", std::u16string(small));
    char16_t buffer[128] = {};
    EXPECT_EQ(expanded.size() + 1, ExpandEnvironmentStringsW(source.c_str(), buffer, 128));
    EXPECT_EQ(expanded, std::u16string(buffer));
    EXPECT_EQ(0u, ExpandEnvironmentStringsW(nullptr, buffer, 128));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(SystemInfo, TheWindowsFolderAndTheMemoryAreThoseOfThisMachine) {
    const testkit::PlatformRoot root;
    const std::u16string folder = platform::paths::toWide(platform::paths::windowsFolder());
    char16_t buffer[4096] = {};
    EXPECT_EQ(folder.size() + 1, GetWindowsDirectoryW(buffer, static_cast<UINT>(folder.size())));
    EXPECT_EQ(folder.size(), GetWindowsDirectoryW(buffer, 4096));
    EXPECT_EQ(folder, std::u16string(buffer));

    struct sysinfo info {};
    ASSERT_EQ(0, sysinfo(&info));
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(ULONGLONG{info.totalram} * info.mem_unit, status.ullTotalPhys);
    EXPECT_LE(status.ullAvailPhys, status.ullTotalPhys);
    EXPECT_GE(status.ullTotalPageFile, status.ullTotalPhys);
    EXPECT_LE(status.dwMemoryLoad, 100u);
    status.dwLength = sizeof status - 8;
    EXPECT_FALSE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

// Process and thread ids, environment variables in both widths, and the
// Windows version the layer reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include <testkit/scoped_env.h>
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

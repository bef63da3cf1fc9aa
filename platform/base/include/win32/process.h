// The current process and thread, environment and module paths.
#pragma once

#include "win32/types.h"

DWORD GetCurrentProcessId() noexcept;
DWORD GetCurrentThreadId() noexcept;
HANDLE GetCurrentProcess() noexcept;
DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) noexcept;
DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) noexcept;
BOOL SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) noexcept;
BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) noexcept;

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
// The layer reports itself as Windows 6.1 build 7601, "Service Pack 1" (a
// Vista-or-later system). dwOSVersionInfoSize must be the structure's size,
// else ERROR_INSUFFICIENT_BUFFER.
BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation) noexcept;
BOOL GetVersionExW(OSVERSIONINFOW* lpVersionInformation) noexcept;

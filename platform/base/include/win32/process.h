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

// The text with each "%NAME%" of a variable that is set replaced by its
// value; an unknown name keeps its "%NAME%", a "%" without its closing one
// stays. Returns the size needed with the NUL (the text stored only when it
// fits in nSize characters); 0 with the last error on failure.
DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) noexcept;

// The Windows folder under the platform root (platform/paths.h): the length
// without the NUL when it fits, else the size needed with it.
UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) noexcept;

// The machine's memory: physical from the kernel, the page file as physical
// memory and swap together, virtual as a 64-bit process's user address
// space (all of it counted available). dwLength must be the record's size,
// else ERROR_INVALID_PARAMETER.
struct MEMORYSTATUSEX {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    ULONGLONG ullTotalPhys;
    ULONGLONG ullAvailPhys;
    ULONGLONG ullTotalPageFile;
    ULONGLONG ullAvailPageFile;
    ULONGLONG ullTotalVirtual;
    ULONGLONG ullAvailVirtual;
    ULONGLONG ullAvailExtendedVirtual;
};
using LPMEMORYSTATUSEX = MEMORYSTATUSEX*;
BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) noexcept;

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

inline constexpr DWORD SYNCHRONIZE = 0x00100000;
inline constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
inline constexpr DWORD STILL_ACTIVE = 259;

// The whole command line: the program and its arguments, each quoted by the
// Windows rules when it needs it (platform/command_line.h). The same
// pointer on every call.
LPWSTR GetCommandLineW() noexcept;

// A handle to wait for the process with WaitForSingleObject (signalled
// once it has ended); only SYNCHRONIZE and PROCESS_QUERY_LIMITED_INFORMATION
// are granted (else ERROR_ACCESS_DENIED). ERROR_INVALID_PARAMETER when no
// process has that id. Close it with CloseHandle.
HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) noexcept;
// STILL_ACTIVE while the process runs, then its exit code (a process ended
// by signal n gives 0x100 + n). Only for processes this process started
// (ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS); others give
// ERROR_ACCESS_DENIED.
BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) noexcept;

// Modules: LoadLibrary over dlopen. A Windows module name is found as the
// matching shared object: "Pentak.dll" is looked for as "libpentak.so",
// "libPentak.so", "pentak.so" and "Pentak.so" (case-insensitively; a
// control "hhctrl.ocx" likewise as "libhhctrl.so" ...), in the
// named folder when the name has one, else in the executable's folder, the
// folders of PLATFORM_MODULE_PATH (":"-separated), the system folder under
// the platform root, and last the dynamic loader's own search.
#pragma once

#include "win32/types.h"

inline constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
inline constexpr DWORD LOAD_WITH_ALTERED_SEARCH_PATH = 0x00000008;

HMODULE LoadLibraryA(LPCSTR lpLibFileName) noexcept;
HMODULE LoadLibraryW(LPCWSTR lpLibFileName) noexcept;
HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) noexcept;
HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) noexcept;
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) noexcept;
BOOL FreeLibrary(HMODULE hLibModule) noexcept;
// Null name: the executable. A name already loaded is found by its file name.
HMODULE GetModuleHandleA(LPCSTR lpModuleName) noexcept;
HMODULE GetModuleHandleW(LPCWSTR lpModuleName) noexcept;
// Null module: the executable's path (from /proc/self/exe, no length limit
// but the buffer's). The result is truncated and ERROR_INSUFFICIENT_BUFFER
// set when the buffer is too small, as on Windows.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) noexcept;
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) noexcept;

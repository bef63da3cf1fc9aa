// The registry: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT
// (the merged view of HKLM\Software\Classes and HKCU\Software\Classes, the
// user's keys first). Key and value names compare without regard to case and
// keep the case they were created with. Stored in SQLite under the platform
// root; each write is one transaction, so a process killed in the middle of
// a write leaves the previous value, and several processes may use it at
// once. The Reg* functions return their Win32 code and leave the last error
// alone.
//
// HKEY_USERS holds the machine's one user as ".DEFAULT", which is
// HKEY_CURRENT_USER. Through HKEY_CLASSES_ROOT a path names the user's key
// when there is one, else the machine's; values go to the key the path
// names, new keys to the machine's classes, as on Windows.
#pragma once

#include "win32/error_codes.h"
#include "win32/types.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

using REGSAM = DWORD;
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) noexcept;
LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) noexcept;
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     void* lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition) noexcept;
LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired,
                     void* lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition) noexcept;
// The predefined keys are never closed: closing them succeeds and changes nothing.
LONG RegCloseKey(HKEY hKey) noexcept;

// Narrow forms convert names and REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ data
// between the ANSI code page and the UTF-16 that is stored; sizes are in
// bytes of the form the caller sees. Null data with a size pointer is a size
// query; a short buffer gives ERROR_MORE_DATA with the needed size.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) noexcept;
LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) noexcept;
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) noexcept;
LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) noexcept;
LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) noexcept;
LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) noexcept;
// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) noexcept;
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) noexcept;
// Deletes a key with all its subkeys and values (null subkey: the contents
// of hKey itself).
LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) noexcept;
LONG RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) noexcept;

// Enumeration in creation order; ERROR_NO_MORE_ITEMS past the end. Name
// sizes are in characters; on entry the room including the NUL, on return
// the length without it; a short buffer gives ERROR_MORE_DATA and leaves the
// size as it was (RegQueryInfoKey gives the longest name).
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) noexcept;
LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) noexcept;
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) noexcept;
LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) noexcept;
LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      PFILETIME lpftLastWriteTime) noexcept;
LONG RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                      PFILETIME lpftLastWriteTime) noexcept;
LONG RegFlushKey(HKEY hKey) noexcept;

// From now on, for every thread of the process, the predefined key hKey
// opens what the open key hNewHKey stands for (hNewHKey may be closed
// afterwards); a null hNewHKey restores hKey. Used to register a COM server
// for the current user only, with HKEY_CLASSES_ROOT standing for
// HKEY_CURRENT_USER\Software\Classes.
LONG RegOverridePredefKey(HKEY hKey, HKEY hNewHKey) noexcept;

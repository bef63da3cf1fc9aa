// Shell services: special folders under the platform root, "open",
// starting programs and deleting trees.
#pragma once

#include "win32/types.h"

inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
inline constexpr int CSIDL_COMMON_APPDATA = 0x0023;
inline constexpr int CSIDL_WINDOWS = 0x0024;
inline constexpr int CSIDL_SYSTEM = 0x0025;
inline constexpr int CSIDL_PROGRAM_FILES = 0x0026;
inline constexpr int CSIDL_PROFILE = 0x0028;
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;
inline constexpr DWORD SHGFP_TYPE_CURRENT = 0;

// pszPath receives at most MAX_PATH characters. S_OK, or E_INVALIDARG for
// an unknown CSIDL, or E_FAIL (HRESULT) when the folder cannot be had.
HRESULT SHGetFolderPathA(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath) noexcept;
HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath) noexcept;
BOOL SHGetSpecialFolderPathA(HWND hwnd, LPSTR pszPath, int csidl, BOOL fCreate) noexcept;
BOOL SHGetSpecialFolderPathW(HWND hwnd, LPWSTR pszPath, int csidl, BOOL fCreate) noexcept;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_SHOWDEFAULT = 10;

inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_OOM = 8;
inline constexpr int SE_ERR_SHARE = 26;
inline constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
inline constexpr int SE_ERR_DDETIMEOUT = 28;
inline constexpr int SE_ERR_DDEFAIL = 29;
inline constexpr int SE_ERR_DDEBUSY = 30;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int SE_ERR_DLLNOTFOUND = 32;

// Verb "open" (or null) on a file: the desktop's handler is started through
// xdg-open with the path as one argument, never through a shell. The result
// is above 32 on success, else an SE_ERR_ code: SE_ERR_FNF for a missing
// file, SE_ERR_NOASSOC when no program handles the file, SE_ERR_ACCESSDENIED,
// or SE_ERR_DDEFAIL for another failure. Other verbs give SE_ERR_NOASSOC.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                        INT nShowCmd) noexcept;
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                        INT nShowCmd) noexcept;

// The fields ShellExecuteExW reads: cbSize, fMask, lpVerb, lpFile,
// lpParameters, lpDirectory; it writes hInstApp and hProcess. The rest are
// kept for callers that fill them.
inline constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x00000040;
struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIconOrMonitor;
    HANDLE hProcess;
};

// Verb null or "open" on an executable file: the program is started
// directly, never through a shell, with lpParameters split into arguments
// by the Windows command-line rules, in lpDirectory (or the current folder
// when null), in a session of its own and not as the caller's child, so
// that it outlives the caller. A bare program name that is not in the
// folder is looked for as the layer's modules are ("regsvr32.exe" is the
// program regsvr32 beside the caller, in PLATFORM_MODULE_PATH or in the
// system folder). With SEE_MASK_NOCLOSEPROCESS the program is the caller's
// child instead, and hProcess a handle for WaitForSingleObject and
// GetExitCodeProcess (the caller closes it); otherwise hProcess is null.
// Any other file goes to ShellExecuteW's
// opener. TRUE with hInstApp above 32 when started; else FALSE, the last
// error set and hInstApp an SE_ERR_ code (SE_ERR_FNF missing file,
// SE_ERR_PNF missing folder, SE_ERR_ACCESSDENIED, SE_ERR_OOM).
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo) noexcept;

// SHFileOperationW: only FO_DELETE is built, and only without questions.
inline constexpr UINT FO_DELETE = 0x0003;
using FILEOP_FLAGS = WORD;
inline constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
inline constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
inline constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
struct SHFILEOPSTRUCTW {
    HWND hwnd;
    UINT wFunc;
    LPCWSTR pFrom;  // names, each ended by a NUL, the list by a second NUL
    LPCWSTR pTo;
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    void* hNameMappings;
    LPCWSTR lpszProgressTitle;
};

// FO_DELETE removes every file or folder of pFrom, a folder with
// everything below it; a symbolic link is removed, never followed. Names
// are taken as they stand (no wildcards). There is no recycle bin:
// FOF_ALLOWUNDO is accepted, but what is removed is gone. Nothing is ever
// asked, so FOF_NOCONFIRMATION must be given. The first failure ends the
// operation, leaving what was already removed removed. The result is 0, or
// the Win32 code of the failure: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND for a missing name, ERROR_SHARING_VIOLATION for a
// file this process holds open without FILE_SHARE_DELETE,
// ERROR_ACCESS_DENIED, and ERROR_INVALID_PARAMETER for another function,
// other flags or an empty list. The last error is left alone.
int SHFileOperationW(SHFILEOPSTRUCTW* lpFileOp) noexcept;

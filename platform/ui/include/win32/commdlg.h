// The common file dialogs: GetOpenFileNameW, GetSaveFileNameW and
// CommDlgExtendedError.
#pragma once

#include "win32/types.h"

inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
inline constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
inline constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
inline constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;
inline constexpr DWORD OFN_ENABLESIZING = 0x00800000;

inline constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
inline constexpr DWORD CDERR_INITIALIZATION = 0x0002;
inline constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
inline constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

struct OPENFILENAMEW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;  // pairs "name\0patterns\0", ended by an empty name
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;  // from 1; 0 is the first too
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;  // null: the current folder
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPVOID lpfnHook;
    LPCWSTR lpTemplateName;
    LPVOID pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};

// Lets the user choose a file to open. TRUE: lpstrFile holds its full path
// (and lpstrFileTitle, when given, its name), nFileOffset and
// nFileExtension the offsets of the name and of the extension (0 without
// one). FALSE with CommDlgExtendedError 0 when the user cancelled; with
// FNERR_BUFFERTOOSMALL (the first character of lpstrFile then holds the
// size needed) or a CDERR_ code otherwise. Hooks, templates and multiple
// selection are refused (CDERR_INITIALIZATION).
BOOL GetOpenFileNameW(OPENFILENAMEW* lpofn) noexcept;
// Lets the user choose a file to save, in the folder of the path lpstrFile
// holds at start (else lpstrInitialDir, else the current folder) under the
// name it holds. lpstrDefExt, when set, is added after a dot to a name
// chosen without an extension. With OFN_OVERWRITEPROMPT an existing file is
// taken only after a Yes to the question whether to replace it; No lets
// the user choose again. Returns and fails as GetOpenFileNameW.
BOOL GetSaveFileNameW(OPENFILENAMEW* lpofn) noexcept;
// The reason of the calling thread's last dialog failure, 0 after a
// success or a cancel.
DWORD CommDlgExtendedError() noexcept;

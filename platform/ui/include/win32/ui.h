// Message boxes, the "Open with" chooser and the few window functions the
// system needs of them. They are shown by the UI backend chosen at start
// (see platform/ui.h).
#pragma once

#include "win32/error_codes.h"
#include "win32/resources.h"
#include "win32/types.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr DWORD ERROR_INVALID_MSGBOX_STYLE = 1581;

// Returns the button chosen, or 0 with the last error set when no box can
// be shown: ERROR_INVALID_MSGBOX_STYLE for an unknown button set or icon,
// ERROR_INVALID_WINDOW_HANDLE for an owner that is not one of the handles
// below. As on Windows, closing the box (close button, Escape) gives
// IDCANCEL when it has a Cancel button and IDOK when it has only OK; other
// boxes cannot be closed. A default button beyond the box's buttons makes
// the first one the default. A null caption is "Error"; the narrow text is
// ANSI (Windows-1250).
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) noexcept;
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) noexcept;

// The warning sound; uType (0xFFFFFFFF, MB_OK or an MB_ICON* value) is
// passed on, the sound is the same. Always TRUE.
BOOL MessageBeep(UINT uType) noexcept;

// Pseudo handles, which every UI call takes (like null) as "no owner".
HWND GetDesktopWindow() noexcept;
HWND GetActiveWindow() noexcept;

// The mouse cursor over the process's windows. Only the system's own
// cursors are known: the arrow and the busy ("wait") cursor.
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;

inline constexpr WORD IDC_ARROW_ID = 32512;
inline constexpr WORD IDC_WAIT_ID = 32514;
#define IDC_ARROW MAKEINTRESOURCEA(IDC_ARROW_ID)
#define IDC_WAIT MAKEINTRESOURCEA(IDC_WAIT_ID)

inline constexpr DWORD ERROR_INVALID_CURSOR_HANDLE = 1402;

// With a null module, the shared handle of the system cursor named by the
// integer resource (IDC_ARROW, IDC_WAIT; MAKEINTRESOURCEW of the same
// numbers for the W form). Null with the last error set for another name
// (ERROR_RESOURCE_NAME_NOT_FOUND) or a module's own cursors
// (ERROR_RESOURCE_TYPE_NOT_FOUND: modules carry none).
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) noexcept;
HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) noexcept;
// Makes the cursor the one shown over every window of the layer (null hides
// it) and returns the one shown before (the arrow until the first call). A
// handle LoadCursor did not give fails with ERROR_INVALID_CURSOR_HANDLE,
// returning null and changing nothing.
HCURSOR SetCursor(HCURSOR hCursor) noexcept;

inline constexpr DWORD OAIF_ALLOW_REGISTRATION = 0x01;
inline constexpr DWORD OAIF_REGISTER_EXT = 0x02;
inline constexpr DWORD OAIF_EXEC = 0x04;
inline constexpr DWORD OAIF_FORCE_REGISTRATION = 0x08;
inline constexpr DWORD OAIF_HIDE_REGISTRATION = 0x20;
inline constexpr DWORD OAIF_URL_PROTOCOL = 0x40;

struct OPENASINFO {
    LPCWSTR pcszFile;
    LPCWSTR pcszClass;
    DWORD oaifInFlags;
};

// The "Open with" chooser, offering the applications for the file's content
// type; with OAIF_EXEC the chosen one is started on the file. S_OK when an
// application was chosen, HRESULT_FROM_WIN32(ERROR_CANCELLED) when the user
// cancelled, E_INVALIDARG for a null info or file or unknown flags,
// E_NOTIMPL for OAIF_URL_PROTOCOL. pcszClass is not used, and the
// registration flags are accepted but leave the desktop's default
// applications unchanged.
HRESULT SHOpenWithDialog(HWND hwndParent, const OPENASINFO* poainfo) noexcept;

// Modal dialogs from the templates a module declares
// (platform/dialog_templates.h), their controls, their messages and the
// few window, colour and monitor functions their procedures use.
#pragma once

#include "platform/dialog_template.h"
#include "win32/types.h"

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct HDC__;
using HDC = HDC__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
using COLORREF = DWORD;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;

constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high) {
    return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

struct POINT {
    LONG x;
    LONG y;
};
struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// Messages.
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
// To a resizable dialog (DialogTemplate::resizable) after the user
// resized it: wParam SIZE_RESTORED, lParam the client area's width (low
// word) and height (high word) in pixels.
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_VKEYTOITEM = 0x002E;
inline constexpr UINT WM_CHARTOITEM = 0x002F;
// To a resizable dialog before WM_INITDIALOG, lParam a MINMAXINFO: the
// procedure sets ptMinTrackSize, the least client size in pixels it lets
// the user resize the dialog to (at most the template's size).
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_COMPAREITEM = 0x0039;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
inline constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
inline constexpr UINT WM_USER = 0x0400;

// Notifications (HIWORD of WM_COMMAND's wParam).
inline constexpr WORD BN_CLICKED = 0;
inline constexpr WORD LBN_SELCHANGE = 1;
inline constexpr WORD CBN_SELCHANGE = 1;

// Control messages.
inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr WPARAM BST_UNCHECKED = 0;
inline constexpr WPARAM BST_CHECKED = 1;
inline constexpr UINT CB_ADDSTRING = 0x0143;
inline constexpr UINT CB_GETCOUNT = 0x0146;
inline constexpr UINT CB_GETCURSEL = 0x0147;
inline constexpr UINT CB_SETCURSEL = 0x014E;
inline constexpr LRESULT CB_ERR = -1;
inline constexpr UINT LB_ADDSTRING = 0x0180;
inline constexpr UINT LB_SETCURSEL = 0x0186;
inline constexpr UINT LB_GETCURSEL = 0x0188;
inline constexpr UINT LB_GETCOUNT = 0x018B;
inline constexpr LRESULT LB_ERR = -1;

// Styles the layer honours (platform/dialog_template.h).
inline constexpr DWORD ES_MULTILINE = platform::ui::kStyleMultiLine;
inline constexpr DWORD ES_READONLY = platform::ui::kStyleReadOnly;
inline constexpr DWORD SS_RIGHT = platform::ui::kStyleRightAligned;
inline constexpr DWORD SS_NOTIFY = platform::ui::kStyleNotify;
inline constexpr DWORD SS_PATHELLIPSIS = platform::ui::kStylePathEllipsis;
inline constexpr WORD STN_CLICKED = 0;
inline constexpr DWORD WS_TABSTOP = platform::ui::kStyleTabStop;
inline constexpr DWORD WS_HSCROLL = platform::ui::kStyleHorizontalScroll;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_BORDER = platform::ui::kStyleBorder;
inline constexpr DWORD TVS_HASBUTTONS = 0x0001;
inline constexpr DWORD TVS_HASLINES = 0x0002;
inline constexpr DWORD TVS_LINESATROOT = 0x0004;

inline constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr DWORD ERROR_INVALID_INDEX = 1413;
inline constexpr DWORD ERROR_CONTROL_ID_NOT_FOUND = 1421;

// Runs the dialog of template `lpTemplateName` (an integer resource) that
// hInstance declares; the procedure gets WM_INITDIALOG with dwInitParam,
// then the user's commands, until it calls EndDialog. Returns EndDialog's
// value; -1 with the last error when the dialog cannot be made:
// ERROR_RESOURCE_NAME_NOT_FOUND for a template the module does not
// declare, ERROR_CANNOT_FIND_WND_CLASS when it holds a rich edit and the
// rich-edit library ("RICHED32.DLL") is not loaded,
// ERROR_INVALID_WINDOW_HANDLE for an unknown owner, the backend's error
// when nothing can be shown. The A form's procedure gets and gives ANSI
// (Windows-1250) texts, the W form's UTF-16.
INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept;
INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept;
// A modeless dialog of the same templates: the procedure gets
// WM_INITDIALOG, then the dialog is shown and the call returns its handle
// (null with the last error as DialogBoxParam). It asks nothing of the
// user and lives until DestroyWindow, which sends WM_DESTROY and
// WM_NCDESTROY; changes made after it was shown stay the dialog's record.
HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept;
HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) noexcept;
// Only a modeless dialog; FALSE with ERROR_INVALID_WINDOW_HANDLE for
// another handle.
BOOL DestroyWindow(HWND hWnd) noexcept;
// Ends the dialog once its procedure returns.
BOOL EndDialog(HWND hDlg, INT_PTR nResult) noexcept;

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) noexcept;
BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) noexcept;
BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) noexcept;
// The characters copied (without the terminator, cut to fit).
UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) noexcept;
UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) noexcept;
BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) noexcept;
BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) noexcept;
// Whether the window was disabled before.
BOOL EnableWindow(HWND hWnd, BOOL bEnable) noexcept;
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;
// Whether the window was visible before.
BOOL ShowWindow(HWND hWnd, int nCmdShow) noexcept;
BOOL IsWindowVisible(HWND hWnd) noexcept;
// Dialogs of the layer are never minimised.
BOOL IsIconic(HWND hWnd) noexcept;
// A control's dialog, or a dialog's owner when it is one of the layer's
// dialogs; null otherwise.
HWND GetParent(HWND hWnd) noexcept;
// Gives a control of a dialog the keyboard focus, which the backend shows
// from then on; a dialog's own handle leaves the focus to the backend.
// The control that had it by SetFocus, else null; null with
// ERROR_INVALID_WINDOW_HANDLE for a handle that is no window.
HWND SetFocus(HWND hWnd) noexcept;

// To the dialog: its procedure's answer (for the messages whose result is
// kept, the value it set with SetWindowLongPtr(DWLP_MSGRESULT)). To a
// control: the control's own answer to WM_SETTEXT, WM_GETTEXT,
// WM_GETTEXTLENGTH, BM_*, LB_* and CB_* above.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
// Queues the message for the dialog's loop, which hands it to the
// procedure before it waits for the user again.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;

inline constexpr int DWLP_MSGRESULT = 0;
inline constexpr int DWLP_USER = 16;
// Only DWLP_MSGRESULT and DWLP_USER (the procedure's own value, 0 at
// first) of a dialog; Set returns the value before.
LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) noexcept;
LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) noexcept;
LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex) noexcept;
LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) noexcept;

inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-2));
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_NOOWNERZORDER = 0x0200;
// A dialog's position (its size stays) and, with HWND_TOPMOST or
// HWND_NOTOPMOST, whether it stays in front (raised either way).
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) noexcept;
// In pixels on the screen; the desktop's is the screen. A control of a
// shown dialog is where the backend laid it out, else where its template
// places it; a dialog is its client area.
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) noexcept;
BOOL GetClientRect(HWND hWnd, LPRECT lpRect) noexcept;
// The base units of the dialogs (platform::ui::BaseUnits): the average
// character width in the low word, the height in the high word.
LONG GetDialogBaseUnits() noexcept;

// The dialogs and windows of every thread, oldest first, and the controls
// of a dialog, each handed to the callback until it answers FALSE.
// EnumWindows is FALSE when the callback stopped it.
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);
BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) noexcept;
BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) noexcept;

// One monitor stands for the display: 1280 x 1024 pixels, its work area
// all but a 40-pixel band at the bottom. The GTK backend lets the window
// manager place windows, so positions are the dialogs' own bookkeeping.
inline constexpr DWORD MONITOR_DEFAULTTONULL = 0;
inline constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
inline constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
inline constexpr DWORD MONITORINFOF_PRIMARY = 1;
struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
using LPMONITORINFO = MONITORINFO*;
HMONITOR MonitorFromWindow(HWND hwnd, DWORD dwFlags) noexcept;
// FALSE for another monitor or a cbSize other than the record's.
BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi) noexcept;
BOOL GetMonitorInfoW(HMONITOR hMonitor, LPMONITORINFO lpmi) noexcept;

// The display's mode, the record's display form.
inline constexpr DWORD ENUM_CURRENT_SETTINGS = 0xFFFFFFFF;
inline constexpr DWORD DM_BITSPERPEL = 0x00040000;
inline constexpr DWORD DM_PELSWIDTH = 0x00080000;
inline constexpr DWORD DM_PELSHEIGHT = 0x00100000;
struct POINTL {
    LONG x;
    LONG y;
};
struct DEVMODEW {
    WCHAR dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    POINTL dmPosition;
    DWORD dmDisplayOrientation;
    DWORD dmDisplayFixedOutput;
    short dmColor;
    short dmDuplex;
    short dmYResolution;
    short dmTTOption;
    short dmCollate;
    WCHAR dmFormName[32];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
};
// The one monitor's mode (its size, 32 bits per pixel) for the display
// (a null device name), as ENUM_CURRENT_SETTINGS or as its only mode, 0;
// FALSE for another device or mode, or a dmSize other than the record's.
BOOL EnumDisplaySettingsW(LPCWSTR lpszDeviceName, DWORD iModeNum, DEVMODEW* lpDevMode) noexcept;

// The device context a WM_CTLCOLORSTATIC brings: the text colour and
// background mode the procedure sets decide how the static is drawn, when
// the procedure answers with a brush.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
// The colour before; CLR_INVALID for a context that is not being drawn.
COLORREF SetTextColor(HDC hdc, COLORREF color) noexcept;
// The mode before; 0 for a context that is not being drawn.
int SetBkMode(HDC hdc, int mode) noexcept;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_BTNTEXT = 18;
// The system palette: button face light grey, button shadow mid grey,
// window white, highlight blue, texts black.
DWORD GetSysColor(int nIndex) noexcept;
HBRUSH GetSysColorBrush(int nIndex) noexcept;

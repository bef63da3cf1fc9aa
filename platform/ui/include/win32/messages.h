// Windows belong to the thread that makes them; each thread has its own
// message queue. Messages posted to a window wait in its thread's queue
// until that thread takes them (GetMessage, PeekMessage) and hands them
// to the window (DispatchMessage); a message sent to a window of another
// thread runs on that thread while the sender waits, and a waiting sender
// still handles what is sent to its own windows. Timers tick as WM_TIMER
// on the thread that set them. Plain windows of the class "STATIC" serve
// as invisible owners.
#pragma once

#include "win32/dialogs.h"
#include "win32/types.h"

struct HMENU__;
using HMENU = HMENU__*;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_QUIT = 0x0012;

inline constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
inline constexpr DWORD ERROR_WINDOW_OF_OTHER_THREAD = 1408;

// The next message of the calling thread's queue (for hWnd: of that window
// only; a range other than 0, 0: only messages within it), handling the
// messages sent to the thread's windows while it waits. Posted messages
// come first, then WM_QUIT (returning 0), then due timers. -1 with the
// last error for a window of another thread.
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) noexcept;
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) noexcept;
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
// As GetMessage without waiting: FALSE when nothing is there.
BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) noexcept;
BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) noexcept;
// No keyboard messages reach the queues: nothing to translate (FALSE).
BOOL TranslateMessage(const MSG* lpMsg) noexcept;
// Hands the message to its window's procedure (a timer's routine, when it
// has one) and returns its answer; thread messages go nowhere.
LRESULT DispatchMessageW(const MSG* lpMsg) noexcept;
LRESULT DispatchMessageA(const MSG* lpMsg) noexcept;
// WM_QUIT for the calling thread once its posted messages are taken.
void PostQuitMessage(int nExitCode) noexcept;
// ERROR_INVALID_THREAD_ID when the thread has no queue (it has made no
// window and asked for no message).
BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
inline constexpr UINT USER_TIMER_MINIMUM = 10;
// WM_TIMER every uElapse milliseconds (at least USER_TIMER_MINIMUM) to the
// window, or to lpTimerFunc when given, on the calling thread, which must
// own the window (else ERROR_WINDOW_OF_OTHER_THREAD). Setting a window's
// timer again restarts it. The timer's id (a new one for a null window),
// 0 on failure.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) noexcept;
// FALSE with ERROR_INVALID_PARAMETER for a timer the thread does not have.
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) noexcept;

inline constexpr DWORD WS_VISIBLE = 0x10000000;
// Only the class "STATIC" (any case): a window without controls that
// takes WM_SETTEXT/WM_GETTEXT and owns dialogs; shown only as a record
// (WS_VISIBLE, ShowWindow). ERROR_CANNOT_FIND_WND_CLASS for another class.
// DestroyWindow ends it.
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam) noexcept;

inline constexpr int SW_SHOWNA = 8;

// The layer's window in front: the one last brought there, while a window
// of the process has the display's focus (gtk); null when another
// program's window is in front or none was brought there.
HWND GetForegroundWindow() noexcept;
// FALSE with ERROR_INVALID_WINDOW_HANDLE for a handle that is no window.
BOOL SetForegroundWindow(HWND hWnd) noexcept;

// The message-loop functions of a thread over its queue: taking,
// dispatching and posting messages, WM_QUIT and timers.
#include "dialog_window.h"
#include "platform/boundary.h"
#include "platform/win_error.h"
#include "thread_queues.h"
#include "win32/messages.h"
#include "win32/process.h"

namespace platform::ui {

namespace {

// A filter window must be one of the calling thread's.
void checkOwnWindow(HWND window) {
    if (window && windowOf(window).thread != GetCurrentThreadId())
        throw WinError(ERROR_WINDOW_OF_OTHER_THREAD, "a window of another thread");
}

BOOL getMessage(LPMSG message, HWND window, UINT first, UINT last) {
    return winValue(BOOL{-1}, [&] {
        if (!message) throw WinError(ERROR_INVALID_PARAMETER, "no place for the message");
        checkOwnWindow(window);
        return queues::get(*message, window, first, last) ? TRUE : FALSE;
    });
}

BOOL peekMessage(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    return winValue(BOOL{FALSE}, [&] {
        if (!message) throw WinError(ERROR_INVALID_PARAMETER, "no place for the message");
        checkOwnWindow(window);
        return queues::peek(*message, window, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
    });
}

LRESULT dispatchMessage(const MSG* message) {
    return winValue(LRESULT{0}, [&] {
        if (!message) throw WinError(ERROR_INVALID_PARAMETER, "no message");
        return queues::dispatch(*message);
    });
}

BOOL postThreadMessage(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam) {
    return winBool([&] {
        queues::post(thread, MSG{nullptr, message, wParam, lParam, 0, {}});
        return true;
    });
}

}  // namespace

}  // namespace platform::ui

using namespace platform;
using namespace platform::ui;

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) noexcept {
    return getMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax);
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) noexcept {
    return getMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax);
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) noexcept {
    return peekMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) noexcept {
    return peekMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
}

BOOL TranslateMessage(const MSG*) noexcept { return FALSE; }

LRESULT DispatchMessageW(const MSG* lpMsg) noexcept { return dispatchMessage(lpMsg); }
LRESULT DispatchMessageA(const MSG* lpMsg) noexcept { return dispatchMessage(lpMsg); }

void PostQuitMessage(int nExitCode) noexcept { queues::postQuit(nExitCode); }

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    return postThreadMessage(idThread, Msg, wParam, lParam);
}

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
    return postThreadMessage(idThread, Msg, wParam, lParam);
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) noexcept {
    return winValue(UINT_PTR{0}, [&] {
        checkOwnWindow(hWnd);
        return queues::setTimer(hWnd, nIDEvent, uElapse, lpTimerFunc);
    });
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) noexcept {
    return winBool([&] {
        if (!queues::killTimer(hWnd, uIDEvent)) throw WinError(ERROR_INVALID_PARAMETER, "no such timer");
        return true;
    });
}

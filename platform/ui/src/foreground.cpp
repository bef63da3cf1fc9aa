// GetForegroundWindow and SetForegroundWindow: the layer's record of the
// window in front, shared by every thread.
#include <atomic>

#include "dialog_window.h"
#include "platform/boundary.h"
#include "platform/win_error.h"
#include "win32/messages.h"

namespace {
std::atomic<HWND> g_foreground{nullptr};
}  // namespace

HWND GetForegroundWindow() noexcept {
    const HWND front = g_foreground.load();
    // A window destroyed since is no longer in front.
    return front && platform::ui::isDialog(front) ? front : nullptr;
}

BOOL SetForegroundWindow(HWND hWnd) noexcept {
    return platform::winBool([&] {
        if (!platform::ui::isDialog(hWnd))
            throw platform::WinError(ERROR_INVALID_WINDOW_HANDLE, "not a window of this process");
        g_foreground = hWnd;
        return true;
    });
}

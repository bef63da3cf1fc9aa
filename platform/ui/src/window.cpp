// GetDesktopWindow, GetActiveWindow and the owners UI calls accept.
#include "dialog_window.h"
#include "platform/owner_window.h"
#include "platform/win_error.h"
#include "win32/ui.h"

namespace {
// Fixed, non-null and never a pointer; the desktop's value is the one
// Windows usually gives it.
HWND const kDesktopWindow = reinterpret_cast<HWND>(std::uintptr_t{0x10010});
HWND const kActiveWindow = reinterpret_cast<HWND>(std::uintptr_t{0x10014});
}  // namespace

HWND GetDesktopWindow() noexcept { return kDesktopWindow; }
HWND GetActiveWindow() noexcept { return kActiveWindow; }

namespace platform::ui {

void checkOwner(HWND owner) {
    if (owner && owner != kDesktopWindow && owner != kActiveWindow && !isDialog(owner))
        throw WinError(ERROR_INVALID_WINDOW_HANDLE, "not a window of this process");
}

}  // namespace platform::ui

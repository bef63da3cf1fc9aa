// The owners a UI call accepts, here and in the certificate dialogs. The
// layer has no windows of its own yet, so an owner is null or one of the
// pseudo handles of GetDesktopWindow and GetActiveWindow, all meaning "no
// owner".
#pragma once

#include "win32/types.h"

namespace platform::ui {

// Throws WinError(ERROR_INVALID_WINDOW_HANDLE) for any other handle.
void checkOwner(HWND owner);

}  // namespace platform::ui

// The owners a UI call accepts, here and in the certificate dialogs: null,
// the pseudo handles of GetDesktopWindow and GetActiveWindow (all meaning
// "no owner"), or a dialog of the layer that is up.
#pragma once

#include "win32/types.h"

namespace platform::ui {

// Throws WinError(ERROR_INVALID_WINDOW_HANDLE) for any other handle.
void checkOwner(HWND owner);

}  // namespace platform::ui

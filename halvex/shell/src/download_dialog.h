// The download dialog of the update step: a centred text over a text
// progress control of 0-100 whose percentage shows on the bar from 1 % on. It is shown while a
// worker thread downloads, and only that worker closes it.
#pragma once

#include "win32/dialogs.h"

namespace halvex {

inline constexpr int kDownloadDialogId = 33201;
inline constexpr int kDownloadBarId = 33200;
inline constexpr int kDownloadTextId = 33198;

// Posted to the dialog with the percent (0-100) as wParam.
inline constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 107;

// Shows the dialog and handles the thread's messages until
// CloseDownloadDialog (or WM_QUIT, which is kept for the thread's loop);
// its window is DownloadDialogWindow() meanwhile. False when it could not
// be made.
bool RunDownloadDialog();

// The open download dialog's window, null when none is open.
HWND DownloadDialogWindow();

// Closes the open dialog from any thread (a user's close is ignored: the
// download goes on under it).
void CloseDownloadDialog();

}  // namespace halvex

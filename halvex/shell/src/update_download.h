// The update's download: the download dialog shown modally while a worker
// thread downloads the update list and hands over to the updater. When the
// updater has started, the program's main window is asked to close.
#pragma once

#include <cstdint>

#include "update_step.h"
#include "updater_calls.h"
#include "win32/types.h"

namespace halvex {

// The upgrade client's code for an updater started: the program must end.
inline constexpr std::int32_t kUpdaterStarted = 7999;

// How long the worker waits for the dialog's window before it gives up
// without downloading.
inline constexpr DWORD kDownloadDialogWaitMs = 10000;

// Runs the download under the dialog and returns once the worker has
// ended; context.outcome is 0, the failing code of the download or of the
// hand-over, -1 when the dialog could not be shown (nothing downloaded), or
// kUpdaterStarted (then WM_CLOSE has been posted to mainWindow).
void RunUpdateDownload(UpdateContext& context, const UpdaterCalls& calls, HWND mainWindow);

// The progress callback given to the client: posts the percent of done in
// total to the download dialog while it is open.
int UpdateProgressCallback(int event, int total, int done, const WCHAR* text);

}  // namespace halvex

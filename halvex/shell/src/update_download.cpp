#include "update_download.h"

#include <atomic>

#include "download_dialog.h"
#include "halvex/log.h"
#include "win32/datetime.h"
#include "win32/messages.h"
#include "win32/sync.h"
#include "win32/threads.h"

namespace halvex {
namespace {

constexpr DWORD kDialogPollMs = 10;
constexpr std::int32_t kNoDownloadDialog = -1;

struct DownloadJob {
    UpdateContext& context;
    const UpdaterCalls& calls;
    HWND mainWindow;
    std::atomic<bool> noDialog{false};  // the dialog could not be made
};

// The dialog's window once it is there, null when it did not come in time.
HWND WaitForDownloadDialog(const DownloadJob& job) {
    for (DWORD waited = 0; waited < kDownloadDialogWaitMs && !job.noDialog; waited += kDialogPollMs) {
        if (const HWND dialog = DownloadDialogWindow()) return dialog;
        Sleep(kDialogPollMs);
    }
    return DownloadDialogWindow();
}

std::int32_t DownloadAndHandOver(const DownloadJob& job) {
    if (!WaitForDownloadDialog(job)) return kNoDownloadDialog;
    const std::int32_t downloaded = job.calls.downloadUpdates(&job.context.updateList);
    if (downloaded != 0) {
        CloseDownloadDialog();
        return downloaded;
    }
    const std::int32_t handedOver = job.calls.doUpdate();
    CloseDownloadDialog();
    if (handedOver == kUpdaterStarted && job.mainWindow) PostMessageW(job.mainWindow, WM_CLOSE, 0, 0);
    return handedOver;
}

DWORD UpdateThreadProc(LPVOID parameter) {
    const auto& job = *static_cast<const DownloadJob*>(parameter);
    std::int32_t outcome = 0;
    try {
        outcome = DownloadAndHandOver(job);
    } catch (...) {
        CloseDownloadDialog();
        outcome = kNoDownloadDialog;
    }
    job.context.outcome = outcome;
    return static_cast<DWORD>(outcome);
}

}  // namespace

int UpdateProgressCallback(int, int total, int done, const WCHAR*) {
    const auto whole = static_cast<unsigned>(total);
    const auto part = static_cast<unsigned>(done);
    const double percent = whole == 0 ? 0.0 : part >= whole ? 100.0 : part * 100.0 / whole;
    if (const HWND dialog = DownloadDialogWindow())
        PostMessageW(dialog, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(percent), 0);
    return 0;
}

void RunUpdateDownload(UpdateContext& context, const UpdaterCalls& calls, HWND mainWindow) {
    context.outcome = 0;
    DownloadJob job{context, calls, mainWindow};
    const HANDLE worker = CreateThread(nullptr, 0, UpdateThreadProc, &job, 0, nullptr);
    if (!worker) {
        TLogFile::GetInstance().Print(u"RunUpdateDownload(): no worker thread");
        context.outcome = kNoDownloadDialog;
        return;
    }
    if (!RunDownloadDialog()) {
        job.noDialog = true;
        TLogFile::GetInstance().Print(u"RunUpdateDownload(): the download dialog failed");
    }
    // The worker closes the dialog as its last act (or gives up waiting for
    // one that never came), so this wait is short.
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
}

}  // namespace halvex

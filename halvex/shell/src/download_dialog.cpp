#include "download_dialog.h"

#include <atomic>

#include "halvex/controls/progress_messages.h"
#include "halvex/controls/text_progress_control.h"
#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace halvex {
namespace {

std::atomic<HWND> g_dialog{nullptr};
std::atomic<bool> g_closing{false};

void DeclareDownloadDialogTemplate(HINSTANCE module) {
    using platform::ui::ControlKind;
    platform::ui::DialogTemplate dialog{kDownloadDialogId, 331, 67, "MS Shell Dlg", 8, "Halvex", {}};
    dialog.controls = {
        {kDownloadTextId, ControlKind::Static,
         "Probíhá stažení nejnovější verze aplikace aplikace Halvex.\nDoba stahování může trvat několik minut, v "
         "závislosti na rychlosti internetového připojení.",
         7, 7, 317, 28},
        {kDownloadBarId, ControlKind::Custom, "", 7, 42, 317, 14, 0, controls::kTextProgressClass},
    };
    platform::ui::declareDialogTemplate(module, dialog);
}

// The bar at the percent, its percentage shown from 1 % on.
void ShowPosition(HWND dialog, WPARAM percent) {
    SendDlgItemMessageW(dialog, kDownloadBarId, PBM_SETPOS, percent, 0);
    SendDlgItemMessageW(dialog, kDownloadBarId, TPC_SHOWPERCENT, percent, 0);
}

INT_PTR DownloadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageW(dialog, kDownloadBarId, PBM_SETRANGE, 0, static_cast<LPARAM>(100) << 16);
            ShowPosition(dialog, 0);
            return TRUE;
        case WM_DOWNLOAD_PROGRESS:
            ShowPosition(dialog, wParam > 100 ? 100 : wParam);
            return TRUE;
        case WM_CLOSE:
            if (!g_closing) return TRUE;
            g_dialog = nullptr;
            PostMessageW(dialog, WM_NULL, 0, 0);  // wakes the loop below, which then ends
            return TRUE;
        case WM_DESTROY:
            g_dialog = nullptr;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

// The dialog is modeless under a loop of its own, so that what the worker
// posts and sends is handled while it waits, whichever backend shows it.
bool RunDownloadDialog() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    controls::RegisterTextProgressClass();
    DeclareDownloadDialogTemplate(module);
    g_closing = false;
    const HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(kDownloadDialogId), nullptr, DownloadDialogProc, 0);
    if (!dialog) return false;
    // Published only once it is shown: a dialog that failed while it was
    // being made must never be the worker's, whose messages to it would
    // wait for a loop that does not come.
    g_dialog = dialog;
    MSG message;
    while (g_dialog && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    if (g_dialog) PostQuitMessage(static_cast<int>(message.wParam));  // the thread's own loop ends too
    g_dialog = nullptr;
    DestroyWindow(dialog);
    return true;
}

HWND DownloadDialogWindow() { return g_dialog; }

void CloseDownloadDialog() {
    g_closing = true;
    if (const HWND dialog = g_dialog) SendMessageW(dialog, WM_CLOSE, 0, 0);
}

}  // namespace halvex

#include "download_dialog.h"

#include <atomic>

#include "download_percent.h"
#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/commctrl.h"
#include "win32/modules.h"
#include "win32/resources.h"
#include "win32/ui.h"

namespace halvex {
namespace {

std::atomic<HWND> g_dialog{nullptr};
std::atomic<bool> g_closing{false};

// Posted to itself once shown: the dialog then takes its thread's messages
// until the worker closes it, whichever backend runs it.
constexpr UINT kAwaitWorker = WM_USER + 108;

void DeclareDownloadDialogTemplate(HINSTANCE module) {
    using platform::ui::ControlKind;
    platform::ui::DialogTemplate dialog{kDownloadDialogId, 331, 67, "MS Shell Dlg", 8, "Halvex", {}};
    dialog.controls = {
        {kDownloadTextId, ControlKind::Static,
         "Probíhá stažení nejnovější verze aplikace aplikace Halvex.\nDoba stahování může trvat několik minut, v "
         "závislosti na rychlosti internetového připojení.",
         7, 7, 317, 24},
        {kDownloadBarId, ControlKind::ProgressBar, "", 7, 36, 317, 12},
        {kDownloadPercentId, ControlKind::Static, "", 7, 50, 317, 10},
    };
    platform::ui::declareDialogTemplate(module, dialog);
}

// The bar at the percent, its percentage shown from 1 % on.
void ShowPosition(HWND dialog, WPARAM percent) {
    SendDlgItemMessageW(dialog, kDownloadBarId, PBM_SETPOS, percent, 0);
    SetDlgItemTextW(dialog, kDownloadPercentId, DownloadPercentText(static_cast<unsigned>(percent)).c_str());
}

INT_PTR DownloadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageW(dialog, kDownloadBarId, PBM_SETRANGE, 0, static_cast<LPARAM>(100) << 16);
            ShowPosition(dialog, 0);
            g_dialog = dialog;
            PostMessageW(dialog, kAwaitWorker, 0, 0);
            return TRUE;
        case kAwaitWorker: {
            MSG next;
            while (g_dialog && GetMessageW(&next, nullptr, 0, 0) > 0) DispatchMessageW(&next);
            if (g_dialog && next.message == WM_QUIT) PostQuitMessage(static_cast<int>(next.wParam));
            return TRUE;
        }
        case WM_DOWNLOAD_PROGRESS:
            ShowPosition(dialog, wParam > 100 ? 100 : wParam);
            return TRUE;
        case WM_CLOSE:
            if (!g_closing) return TRUE;
            g_dialog = nullptr;
            EndDialog(dialog, IDOK);
            PostMessageW(dialog, WM_NULL, 0, 0);  // wakes the loop above
            return TRUE;
        case WM_DESTROY:
            g_dialog = nullptr;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR RunDownloadDialog() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    DeclareDownloadDialogTemplate(module);
    g_closing = false;
    const INT_PTR result =
        DialogBoxParamW(module, MAKEINTRESOURCEW(kDownloadDialogId), nullptr, DownloadDialogProc, 0);
    g_dialog = nullptr;
    return result;
}

HWND DownloadDialogWindow() { return g_dialog; }

void CloseDownloadDialog() {
    g_closing = true;
    if (const HWND dialog = g_dialog) SendMessageW(dialog, WM_CLOSE, 0, 0);
}

}  // namespace halvex

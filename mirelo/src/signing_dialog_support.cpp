#include "signing_dialog_support.h"

#include "common/resource.h"
#include "common/shell_open.h"
#include "common/system_error.h"
#include "win32/dialogs.h"
#include "win32/ui.h"

std::string DialogText(DWORD id) {
    std::string text;
    TResource::Instance()->FormatString(text, id);
    return text;
}

void ShowDialogControls(HWND dialog, std::initializer_list<int> controls, bool shown) {
    for (const int control : controls) ShowWindow(GetDlgItem(dialog, control), shown ? SW_SHOW : SW_HIDE);
}

void OpenFileFromDialog(HWND dialog, const std::string& path) {
    if (const int failed = OpenWithShell(dialog, path.c_str(), "open")) {
        std::string text;
        TResource::Instance()->FormatMessage(text, failed, path.c_str());
        AppWarningBox(text);
    }
}

void BringDialogToFront(HWND dialog) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

#include "about_box.h"

#include "halvex/log.h"
#include "platform/dialog_templates.h"
#include "platform/modules.h"
#include "win32/dialogs.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace halvex {
namespace {

constexpr int kAboutDialog = 100;
constexpr int kUnaddressed = -1;  // a static the procedure never asks for

platform::ui::DialogTemplate AboutTemplate() {
    using platform::ui::ControlKind;
    platform::ui::DialogTemplate dialog;
    dialog.id = kAboutDialog;
    dialog.cx = 170;
    dialog.cy = 62;
    dialog.font = "MS Shell Dlg";
    dialog.title = "O aplikaci Halvex";
    dialog.controls = {
        {kUnaddressed, ControlKind::Static, "Halvex Version 1.0", 42, 14, 114, 8, 0},
        {IDOK, ControlKind::DefaultButton, "OK", 113, 41, 50, 14, 0},
    };
    return dialog;
}

INT_PTR AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool ShowAboutBox() {
    const HINSTANCE module = platform::modules::thisModule();
    platform::ui::declareDialogTemplate(module, AboutTemplate());
    if (DialogBoxParamW(module, MAKEINTRESOURCEW(kAboutDialog), nullptr, AboutProcedure, 0) != -1) return true;
    TLogFile::GetInstance().Print(u"ShowAboutBox(): the dialog could not be shown: %d",
                                  static_cast<int>(GetLastError()));
    return false;
}

}  // namespace halvex

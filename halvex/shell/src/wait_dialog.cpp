#include "wait_dialog.h"

#include "busy_dialog_template.h"
#include "halvex/resource_strings.h"
#include "win32/dialogs.h"
#include "win32/messages.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace halvex {
namespace {

INT_PTR WaitDialogProc(HWND dialog, UINT message, WPARAM, LPARAM text) {
    if (message != WM_INITDIALOG) return FALSE;
    SetDlgItemTextW(dialog, kBusyTextId, LoadResString(static_cast<UINT>(text)).c_str());
    return TRUE;
}

}  // namespace

WaitDialog::WaitDialog(UINT textId) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    DeclareBusyDialogTemplate(module);
    m_window = CreateDialogParamW(module, MAKEINTRESOURCEW(kBusyDialogId), nullptr, WaitDialogProc,
                                  static_cast<LPARAM>(textId));
    if (m_window) ShowWindow(m_window, SW_SHOWNA);
}

WaitDialog::~WaitDialog() {
    if (m_window) DestroyWindow(m_window);
}

}  // namespace halvex

#include "signing_dialog.h"

#include "signing_dialog_templates.h"
#include "win32/ui.h"

INT_PTR TSigningDialog::Show(HWND parent) {
    DeclareSigningDialogTemplates();
    return DoModal(parent, m_templateId);
}

BOOL TSigningDialog::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                          DWORD mapId) {
    if (mapId != 0) return FALSE;
    if (message == WM_INITDIALOG) {
        OnInitDialog();
        result = TRUE;
        return TRUE;
    }
    return OnMessage(message, wParam, lParam, result) ? TRUE : FALSE;
}

bool TSigningDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    const bool okClicked = message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED;
    if (!okClicked && message != WM_CLOSE) return false;
    EndDialog(m_hWnd, IDOK);
    result = 0;
    return true;
}

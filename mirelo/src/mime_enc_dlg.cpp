#include "mime_enc_dlg.h"

#include <utility>

#include "common/resource.h"
#include "signing_dialog_templates.h"
#include "win32/ui.h"

namespace {

constexpr int kMimeText = 254;
constexpr DWORD kTextTitle = 54;

}  // namespace

TMimeEncDlg::TMimeEncDlg(std::string mimeText) : m_mimeText(std::move(mimeText)) {}

INT_PTR TMimeEncDlg::Show(HWND parent) {
    DeclareSigningDialogTemplates();
    return DoModal(parent, kTemplateId);
}

BOOL TMimeEncDlg::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result, DWORD mapId) {
    if (mapId != 0) return FALSE;
    switch (message) {
    case WM_INITDIALOG: {
        std::string title;
        TResource::Instance()->FormatString(title, kTextTitle);
        SetWindowTextA(m_hWnd, title.c_str());
        SetDlgItemTextA(m_hWnd, kMimeText, m_mimeText.c_str());
        CenterDialog(m_hWnd);
        result = TRUE;
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK || HIWORD(wParam) != BN_CLICKED) return FALSE;
        [[fallthrough]];
    case WM_CLOSE:
        EndDialog(m_hWnd, IDOK);
        result = 0;
        return TRUE;
    default: return FALSE;
    }
}

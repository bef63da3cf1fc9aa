#include "select_charset_dlg.h"

#include <utility>

#include "signing_dialog_support.h"
#include "win32/ui.h"

namespace {

constexpr int kPrompt = 255;
constexpr int kList = 256;

constexpr DWORD kTextTitle = 55;
constexpr DWORD kTextPrompt = 56;

}  // namespace

TSelectCharsetDlg::TSelectCharsetDlg(std::vector<std::string> names, int current)
    : TSigningDialog(kTemplateId), m_names(std::move(names)), m_selected(current) {}

bool TSelectCharsetDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
    if (LOWORD(wParam) == IDOK) {
        const LRESULT row = SendDlgItemMessageA(m_hWnd, kList, CB_GETCURSEL, 0, 0);
        if (row >= 0) m_selected = static_cast<int>(row);
        EndDialog(m_hWnd, IDOK);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(m_hWnd, IDCANCEL);
    } else {
        return false;
    }
    result = 0;
    return true;
}

void TSelectCharsetDlg::OnInitDialog() {
    SetWindowTextA(m_hWnd, DialogText(kTextTitle).c_str());
    SetDlgItemTextA(m_hWnd, kPrompt, DialogText(kTextPrompt).c_str());
    for (const auto& name : m_names)
        SendDlgItemMessageA(m_hWnd, kList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (m_selected >= 0 && static_cast<std::size_t>(m_selected) < m_names.size())
        SendDlgItemMessageA(m_hWnd, kList, CB_SETCURSEL, static_cast<WPARAM>(m_selected), 0);
    ApplyDialogInitData(m_hWnd, ModuleInstance(), kTemplateId);
    CenterDialog(m_hWnd);
}

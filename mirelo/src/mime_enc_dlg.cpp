#include "mime_enc_dlg.h"

#include <utility>

#include "common/resource.h"
#include "win32/ui.h"

namespace {

constexpr int kMimeText = 254;
constexpr DWORD kTextTitle = 54;

}  // namespace

TMimeEncDlg::TMimeEncDlg(std::string mimeText) : TSigningDialog(kTemplateId), m_mimeText(std::move(mimeText)) {}

void TMimeEncDlg::OnInitDialog() {
    std::string title;
    TResource::Instance()->FormatString(title, kTextTitle);
    SetWindowTextA(m_hWnd, title.c_str());
    SetDlgItemTextA(m_hWnd, kMimeText, m_mimeText.c_str());
    CenterDialog(m_hWnd);
}

#include "sign_dialog.h"

#include "cert_view.h"
#include "dialog_support.h"
#include "pentak_resource.h"
#include "win32/hyperlink.h"
#include "win32/ui.h"

namespace {

constexpr int kTemplateId = 102;

// Controls of template 102.
constexpr int kHash = 202;
constexpr int kCertificateCaption = 203;
constexpr int kQuestion = 204;
constexpr int kCertificateLink = 205;
constexpr int kMessageCaption = 206;
constexpr int kHashCaption = 207;
constexpr int kMessage = 208;

// Message-table texts.
constexpr int kCancelLabel = 0;
constexpr int kNoLabel = 1;
constexpr int kYesLabel = 2;
constexpr int kMessageLabel = 3;
constexpr int kHashLabel = 4;  // formatted with the hash's name
constexpr int kCertificateLabel = 5;
constexpr int kDefaultTitle = 6;
constexpr int kQuestionText = 7;

// The message as it will be signed, its hash, the signer's name as a link,
// the question and the three answers; Tab walks the link and the buttons.
platform::ui::DialogTemplate SignTemplate() {
    using platform::ui::ControlKind;
    return {kTemplateId, 260, 171, "MS Shell Dlg", 8, "Potvrzení",
            {{kMessageCaption, ControlKind::Static, "Zpráva:", 7, 7, 246, 8},
             {kMessage, ControlKind::Edit, "", 7, 17, 246, 60,
              ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER},
             {kHashCaption, ControlKind::Static, "miniatura (HASH) zprávy:", 7, 83, 246, 8},
             {kHash, ControlKind::Edit, "", 7, 93, 246, 12, ES_READONLY | WS_BORDER},
             {kCertificateCaption, ControlKind::Static, "Podepsat certifikátem:", 7, 111, 246, 8},
             {kCertificateLink, ControlKind::Static, "", 7, 121, 246, 8},
             {kQuestion, ControlKind::Static, "Přejete si tuto akci provést?", 7, 137, 246, 8},
             {IDYES, ControlKind::DefaultButton, "&Ano", 89, 150, 50, 14, WS_TABSTOP},
             {IDNO, ControlKind::Button, "&Ne", 146, 150, 50, 14, WS_TABSTOP},
             {IDCANCEL, ControlKind::Button, "&Storno", 203, 150, 50, 14, WS_TABSTOP}}};
}

}  // namespace

TSignDlg::TSignDlg(std::u16string certificate, std::u16string hash, std::u16string hashName, std::u16string message,
                   std::u16string title)
    : m_certificate(std::move(certificate)),
      m_hash(std::move(hash)),
      m_hashName(std::move(hashName)),
      m_message(std::move(message)),
      m_title(std::move(title)) {}

int TSignDlg::DoModal(HWND parent) {
    static std::once_flag declared;
    return LibraryDialog::Run(*this, declared, SignTemplate(), parent);
}

void TSignDlg::OnInitDialog(HWND dialog) {
    const auto* texts = TPentakResource::Instance();
    SetItemText(dialog, kMessageCaption, kMessageLabel);
    SetDlgItemTextW(dialog, kHashCaption, texts->FormatText(kHashLabel, m_hashName.c_str()).c_str());
    SetItemText(dialog, kCertificateCaption, kCertificateLabel);
    SetItemText(dialog, kQuestion, kQuestionText);
    SetItemText(dialog, IDYES, kYesLabel);
    SetItemText(dialog, IDNO, kNoLabel);
    SetItemText(dialog, IDCANCEL, kCancelLabel);
    SetDlgItemTextW(dialog, kMessage, m_message.c_str());
    SetDlgItemTextW(dialog, kHash, m_hash.c_str());
    ConvertStaticToHyperlink(dialog, kCertificateLink);
    const std::u16string name = CertificateNameOfText(m_certificate);
    if (!name.empty()) SetDlgItemTextW(dialog, kCertificateLink, name.c_str());
    SetWindowTextW(dialog, m_title.empty() ? texts->GetString(kDefaultTitle).c_str() : m_title.c_str());
    PostMessageW(dialog, kBringToFront, 0, 0);
}

bool TSignDlg::OnMessage(HWND dialog, UINT message, WPARAM wParam) {
    if (message == kBringToFront) {
        BringToFront(dialog);
        return true;
    }
    if (message != WM_COMMAND) return false;
    switch (LOWORD(wParam)) {
    case kCertificateLink: ViewCertificateText(m_certificate, dialog); return true;
    case IDYES:
    case IDNO:
    case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return true;
    default: return false;
    }
}

#include "sign_dialog.h"

#include "cert_view.h"
#include "dialog_support.h"
#include "platform/ui.h"
#include "win32/ui.h"

namespace {

constexpr int kCancelLabel = 0;
constexpr int kNoLabel = 1;
constexpr int kYesLabel = 2;
constexpr int kMessageLabel = 3;
constexpr int kHashLabel = 4;  // formatted with the hash's name
constexpr int kCertificateLabel = 5;
constexpr int kDefaultTitle = 6;
constexpr int kQuestion = 7;

}  // namespace

TSignDlg::TSignDlg(std::u16string certificate, std::u16string hash, std::u16string hashName, std::u16string message,
                   std::u16string title)
    : m_certificate(std::move(certificate)),
      m_hash(std::move(hash)),
      m_hashName(std::move(hashName)),
      m_message(std::move(message)),
      m_title(std::move(title)) {}

int TSignDlg::DoModal(HWND parent) {
    using platform::text::toUtf8;
    const auto* texts = TPentakResource::Instance();
    platform::ui::ConfirmationRequest request;
    request.title = m_title.empty() ? DialogText(kDefaultTitle) : toUtf8(m_title);
    request.texts = {{DialogText(kMessageLabel), toUtf8(m_message)},
                     {toUtf8(texts->FormatText(kHashLabel, m_hashName.c_str())), toUtf8(m_hash)}};
    request.linkLabel = DialogText(kCertificateLabel);
    request.linkText = toUtf8(CertificateNameOfText(m_certificate));
    request.onLink = [this, parent] { ViewCertificateText(m_certificate, parent); };
    request.prompt = DialogText(kQuestion);
    request.yesLabel = DialogText(kYesLabel);
    request.noLabel = DialogText(kNoLabel);
    request.cancelLabel = DialogText(kCancelLabel);
    return RunDialog([&] {
        switch (platform::ui::backend().confirm(request)) {
        case platform::ui::Confirmation::Yes: return IDYES;
        case platform::ui::Confirmation::No: return IDNO;
        case platform::ui::Confirmation::Cancel: break;
        }
        return IDCANCEL;
    });
}

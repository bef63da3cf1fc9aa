#include "sign_enc_dlg.h"

#include <utility>

#include "signer.h"
#include "signing_dialog_support.h"
#include "win32/ui.h"

namespace {

// Controls of template 205.
constexpr int kMessageLabel = 216;
constexpr int kVersion = 217;
constexpr int kMessageText = 225;
constexpr int kDocumentList = 228;
constexpr int kShowFile = 237;
constexpr int kQuestion = 213;
constexpr int kSignCaption = 218;
constexpr int kSignLine = 224;
constexpr int kSignChoose = 221;
constexpr int kExpiryLine = 238;
constexpr int kKeyExchangeCaption = 219;
constexpr int kKeyExchangeLine = 226;
constexpr int kKeyExchangeChoose = 222;
constexpr int kRecipientCaption = 220;
constexpr int kRecipientLine = 227;
constexpr int kRecipientChoose = 223;

// Message-table texts.
constexpr DWORD kTextCancel = 3;
constexpr DWORD kTextNo = 4;
constexpr DWORD kTextYes = 5;
constexpr DWORD kTextConfirmation = 7;
constexpr DWORD kTextQuestion = 8;
constexpr DWORD kTextMessage = 10;
constexpr DWORD kTextSignIncluded = 15;
constexpr DWORD kTextSignNotIncluded = 16;
constexpr DWORD kTextFileList = 19;
constexpr DWORD kTextShowFile = 49;

constexpr LONG kSignatureKind = 1;
constexpr LONG kKeyExchangeKind = 2;
constexpr LONG kRecipientKind = 3;

}  // namespace

TSignEncDlg::TSignEncDlg(TSigner& signer, std::vector<SignJobDocument>& documents, DWORD options, bool listMode,
                         ALG_ID hashAlgorithm, std::string issuerFilter, std::string version)
    : TSigningDialog(kTemplateId),
      m_signer(signer),
      m_documents(documents),
      m_options(options),
      m_listMode(listMode),
      m_hashAlgorithm(hashAlgorithm),
      m_issuerFilter(std::move(issuerFilter)),
      m_version(std::move(version)) {}

bool TSignEncDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC:
        result = OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    default: return false;
    }
}

void TSignEncDlg::OnInitDialog() {
    SetWindowTextA(m_hWnd, DialogText(kTextConfirmation).c_str());
    SetDlgItemTextA(m_hWnd, kVersion, m_version.c_str());
    SetDlgItemTextA(m_hWnd, kQuestion, DialogText(kTextQuestion).c_str());
    SetDlgItemTextA(m_hWnd, IDCANCEL, DialogText(kTextCancel).c_str());
    SetDlgItemTextA(m_hWnd, IDNO, DialogText(kTextNo).c_str());
    SetDlgItemTextA(m_hWnd, IDYES, DialogText(kTextYes).c_str());
    if (m_listMode) {
        for (const auto& document : m_documents)
            SendDlgItemMessageA(m_hWnd, kDocumentList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(document.name.c_str()));
        SendDlgItemMessageA(m_hWnd, kDocumentList, LB_SETCURSEL, 0, 0);
        SetDlgItemTextA(m_hWnd, kMessageLabel, DialogText(kTextFileList).c_str());
        SetDlgItemTextA(m_hWnd, kShowFile, DialogText(kTextShowFile).c_str());
        ShowDialogControls(m_hWnd, {kMessageText}, false);
    } else {
        SetDlgItemTextA(m_hWnd, kMessageLabel, DialogText(kTextMessage).c_str());
        if (!m_documents.empty()) {
            const auto& bytes = m_documents.front().bytes;
            const std::string content(bytes.begin(), bytes.end());
            SetDlgItemTextA(m_hWnd, kMessageText, content.c_str());
        }
        ShowDialogControls(m_hWnd, {kDocumentList, kShowFile}, false);
    }
    ShowCertificateLines();
    ShowHash();
    CenterDialog(m_hWnd);
}

// The line of each certificate the operation uses; the others are hidden.
void TSignEncDlg::ShowCertificateLines() {
    const bool signs = m_options & (kConfirmSign | kConfirmIncludesCertificates);
    ShowDialogControls(m_hWnd, {kSignCaption, kSignLine, kSignChoose, kExpiryLine}, signs);
    if (signs) {
        const DWORD caption = (m_options & kConfirmIncludesCertificates) ? kTextSignIncluded : kTextSignNotIncluded;
        SetDlgItemTextA(m_hWnd, kSignCaption, DialogText(caption).c_str());
        m_expiryWarning = m_signer.SetCertificateLine(m_hWnd, kSignatureKind, kSignLine);
        EnableWindow(GetDlgItem(m_hWnd, kSignChoose), !(m_options & kConfirmFixedSigner));
    }
    const bool keyExchange = m_options & kConfirmIncludesKeyExchange;
    ShowDialogControls(m_hWnd, {kKeyExchangeCaption, kKeyExchangeLine, kKeyExchangeChoose}, keyExchange);
    if (keyExchange) m_signer.SetCertificateLine(m_hWnd, kKeyExchangeKind, kKeyExchangeLine);
    const bool encrypts = m_options & kConfirmEncrypt;
    ShowDialogControls(m_hWnd, {kRecipientCaption, kRecipientLine, kRecipientChoose}, encrypts);
    if (encrypts) m_signer.SetCertificateLine(m_hWnd, kRecipientKind, kRecipientLine);
}

std::size_t TSignEncDlg::SelectedDocument() const {
    if (!m_listMode) return 0;
    const LRESULT row = SendDlgItemMessageA(m_hWnd, kDocumentList, LB_GETCURSEL, 0, 0);
    return row < 0 ? 0 : static_cast<std::size_t>(row);
}

void TSignEncDlg::ShowHash() {
    const std::size_t index = SelectedDocument();
    if (index < m_documents.size()) m_signer.SetHash2Ctrl(m_hWnd, m_hashAlgorithm, m_documents[index]);
}

void TSignEncDlg::ShowFile() {
    const std::size_t index = SelectedDocument();
    if (index >= m_documents.size()) return;
    OpenFileFromDialog(m_hWnd, m_documents[index].name);
}

void TSignEncDlg::OnCommand(WORD id, WORD notification) {
    switch (id) {
    case IDYES:
    case IDNO:
    case IDCANCEL: EndDialog(m_hWnd, id); return;
    case kDocumentList:
        if (notification == LBN_SELCHANGE) ShowHash();
        return;
    case kShowFile: ShowFile(); return;
    case kSignChoose:
        if (m_signer.ChooseCertificate(kSignatureKind, m_issuerFilter, true) == 0) {
            m_expiryWarning = m_signer.SetCertificateLine(m_hWnd, kSignatureKind, kSignLine);
            if (!m_documents.empty()) m_signer.SetHash2Ctrl(m_hWnd, m_hashAlgorithm, m_documents.front());
        }
        return;
    case kKeyExchangeChoose:
        if (m_signer.ChooseCertificate(kKeyExchangeKind, m_issuerFilter, true) == 0)
            m_signer.SetCertificateLine(m_hWnd, kKeyExchangeKind, kKeyExchangeLine);
        return;
    case kRecipientChoose:
        if (m_signer.ChooseCertificate(kRecipientKind, m_issuerFilter, true) == 0)
            m_signer.SetCertificateLine(m_hWnd, kRecipientKind, kRecipientLine);
        return;
    default:
        // Anything else brings the dialog to the front.
        BringDialogToFront(m_hWnd);
        return;
    }
}

// The expiry line in red while the certificate is near or past its end;
// every static in the dialog's system colours.
LRESULT TSignEncDlg::OnColorStatic(HDC context, HWND control) {
    const bool warn = m_expiryWarning && control == GetDlgItem(m_hWnd, kExpiryLine);
    SetTextColor(context, warn ? RGB(255, 0, 0) : GetSysColor(COLOR_BTNTEXT));
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

#include "sign_enc_kyd_dlg.h"

#include <utility>

#include "mime_enc_dlg.h"
#include "sign_enc_dlg.h"
#include "signer_kyd.h"
#include "signing_dialog_support.h"
#include "win32/hyperlink.h"
#include "win32/ui.h"

namespace {

// Controls of template 206.
constexpr int kDocumentCaption = 240;
constexpr int kVersion = 217;
constexpr int kContentAgreement = 246;
constexpr int kPathCaption = 248;
constexpr int kPath = 247;
constexpr int kCheckCaption = 249;
constexpr int kCheckState = 250;
constexpr int kShowMime = 241;
constexpr int kShowDocument = 242;
constexpr int kSignCaption = 218;
constexpr int kSignLine = 224;
constexpr int kSignChoose = 221;
constexpr int kExpiryLine = 238;
constexpr int kPolicyFrame = 243;
constexpr int kPolicyAgreement = 244;
constexpr int kPolicyIssuer = 245;
constexpr int kPolicyOidCaption = 258;
constexpr int kPolicyOid = 257;
constexpr int kPolicyField = 259;
constexpr int kQuestion = 213;

// Message-table texts.
constexpr DWORD kTextNo = 4;
constexpr DWORD kTextYes = 5;
constexpr DWORD kTextConfirmation = 7;
constexpr DWORD kTextQuestion = 9;
constexpr DWORD kTextSignIncluded = 15;
constexpr DWORD kTextSignNotIncluded = 16;
constexpr DWORD kTextDocument = 20;
constexpr DWORD kTextContentAgreement = 22;
constexpr DWORD kTextPath = 23;
constexpr DWORD kTextCheck = 24;
constexpr DWORD kTextPolicyAgreement = 29;
constexpr DWORD kTextShowDocument = 50;
constexpr DWORD kTextShowMime = 51;
constexpr DWORD kTextPolicyOid = 52;

// Policy fields (GetSignPolicyValue).
constexpr LONG kPolicyOidValue = 0;
constexpr LONG kPolicyIssuerValue = 19;
constexpr LONG kPolicyFieldValue = 20;

constexpr LONG kSignatureKind = 1;
// Posted at the end of the start, to come to the front once shown.
constexpr UINT kBringToFront = WM_USER + 200;

bool IsTicked(HWND dialog, int box) { return SendDlgItemMessageA(dialog, box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A line a click acts on is shown as a link, when it shows anything.
void ShowAsLink(HWND dialog, int line) {
    if (SendDlgItemMessageA(dialog, line, WM_GETTEXTLENGTH, 0, 0) > 0) ConvertStaticToHyperlink(dialog, line);
}

}  // namespace

TSignEncKydDlg::TSignEncKydDlg(TSignerKyd& signer, KydConfirmationActions& actions,
                               std::vector<SignJobDocument>& documents, DWORD options, ALG_ID hashAlgorithm,
                               int checkState, std::string checkText, std::string applicationName)
    : TSigningDialog(kTemplateId),
      m_signer(signer),
      m_actions(actions),
      m_documents(documents),
      m_options(options),
      m_hashAlgorithm(hashAlgorithm),
      m_checkState(checkState),
      m_checkText(std::move(checkText)),
      m_applicationName(std::move(applicationName)) {}

bool TSignEncKydDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        result = 0;
        return true;
    case WM_CTLCOLORSTATIC:
        result = OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    case kBringToFront:
        BringDialogToFront(m_hWnd);
        result = 0;
        return true;
    default: return false;
    }
}

void TSignEncKydDlg::OnInitDialog() {
    SetWindowTextA(m_hWnd, DialogText(kTextConfirmation).c_str());
    SetDlgItemTextA(m_hWnd, kVersion, m_applicationName.c_str());
    SetDlgItemTextA(m_hWnd, kQuestion, DialogText(kTextQuestion).c_str());
    SetDlgItemTextA(m_hWnd, IDNO, DialogText(kTextNo).c_str());
    SetDlgItemTextA(m_hWnd, IDYES, DialogText(kTextYes).c_str());
    if (!m_documents.empty()) SetDlgItemTextA(m_hWnd, kPath, m_documents.front().name.c_str());
    SetDlgItemTextA(m_hWnd, kDocumentCaption, DialogText(kTextDocument).c_str());
    SetDlgItemTextA(m_hWnd, kShowDocument, DialogText(kTextShowDocument).c_str());
    SetDlgItemTextA(m_hWnd, kContentAgreement, DialogText(kTextContentAgreement).c_str());
    SetDlgItemTextA(m_hWnd, kPathCaption, DialogText(kTextPath).c_str());
    SetDlgItemTextA(m_hWnd, kCheckCaption, DialogText(kTextCheck).c_str());
    SetDlgItemTextA(m_hWnd, kCheckState, m_checkText.c_str());
    SetDlgItemTextA(m_hWnd, kShowMime, DialogText(kTextShowMime).c_str());
    SetDlgItemTextA(m_hWnd, kExpiryLine, "");
    ShowSigningCertificate();
    ShowHash();
    ShowPolicy();
    for (const int line : {kPath, kSignLine, kPolicyIssuer}) ShowAsLink(m_hWnd, line);
    RefreshYes();
    PostMessageA(m_hWnd, kBringToFront, 0, 0);
}

void TSignEncKydDlg::ShowSigningCertificate() {
    if (!(m_options & (kConfirmSign | kConfirmIncludesCertificates))) {
        SetDlgItemTextA(m_hWnd, kSignLine, "");
        ShowDialogControls(m_hWnd, {kSignCaption, kSignChoose}, false);
        return;
    }
    const DWORD caption = (m_options & kConfirmIncludesCertificates) ? kTextSignIncluded : kTextSignNotIncluded;
    SetDlgItemTextA(m_hWnd, kSignCaption, DialogText(caption).c_str());
    m_expiryWarning = m_signer.SetCertificateLine(m_hWnd, kSignatureKind, kSignLine);
    EnableWindow(GetDlgItem(m_hWnd, kSignChoose), !(m_options & kConfirmFixedSigner));
}

// The loaded policy's issuer, OID and field of application, agreed to at
// start; without a policy its part of the dialog is hidden.
void TSignEncKydDlg::ShowPolicy() {
    if (!m_signer.IsSignPolicy()) {
        SetDlgItemTextA(m_hWnd, kPolicyIssuer, "");
        ShowDialogControls(m_hWnd, {kPolicyAgreement, kPolicyFrame, kPolicyOidCaption, kPolicyOid, kPolicyField},
                           false);
        return;
    }
    SetDlgItemTextA(m_hWnd, kPolicyAgreement, DialogText(kTextPolicyAgreement).c_str());
    SetDlgItemTextA(m_hWnd, kPolicyOidCaption, DialogText(kTextPolicyOid).c_str());
    for (const auto& [control, selector] : {std::pair{kPolicyIssuer, kPolicyIssuerValue},
                                           std::pair{kPolicyOid, kPolicyOidValue},
                                           std::pair{kPolicyField, kPolicyFieldValue}}) {
        std::string value;
        m_signer.GetSignPolicyValue(selector, value);
        SetDlgItemTextA(m_hWnd, control, value.c_str());
    }
    SendDlgItemMessageA(m_hWnd, kPolicyAgreement, BM_SETCHECK, BST_CHECKED, 0);
}

// Yes only while the user agrees with the content and, when a policy is
// loaded, with the policy; without a policy its box is hidden and cannot
// be ticked, so the content alone decides.
void TSignEncKydDlg::RefreshYes() {
    const bool policyAgreed = !m_signer.IsSignPolicy() || IsTicked(m_hWnd, kPolicyAgreement);
    EnableWindow(GetDlgItem(m_hWnd, IDYES), policyAgreed && IsTicked(m_hWnd, kContentAgreement));
}

void TSignEncKydDlg::ShowHash() {
    if (!m_documents.empty()) m_signer.SetHash2Ctrl(m_hWnd, m_hashAlgorithm, m_documents.front());
}

void TSignEncKydDlg::OnCommand(WORD id) {
    switch (id) {
    case IDYES:
    case IDNO:
    case IDCANCEL: EndDialog(m_hWnd, id); return;
    case kPath:
        if (!m_documents.empty()) OpenFileFromDialog(m_hWnd, m_documents.front().name);
        return;
    case kSignLine: m_signer.ShowCertSign(); return;
    case kShowMime:
        if (!m_documents.empty()) {
            const auto& bytes = m_documents.front().bytes;
            TMimeEncDlg(std::string(bytes.begin(), bytes.end())).Show(GetActiveWindow());
        }
        return;
    case kPolicyIssuer: m_signer.ShowSignPolicy(); return;
    case kSignChoose:
        if (m_actions.ChooseSigningCertificate(m_hWnd)) {
            m_expiryWarning = m_signer.SetCertificateLine(m_hWnd, kSignatureKind, kSignLine);
            ShowHash();
        }
        return;
    case kShowDocument:
        if (m_actions.ShowDocument(m_hWnd)) {
            SendDlgItemMessageA(m_hWnd, kContentAgreement, BM_SETCHECK, BST_CHECKED, 0);
            RefreshYes();
        }
        return;
    case kContentAgreement:
    case kPolicyAgreement: RefreshYes(); return;
    default: return;
    }
}

// The expiry line red while the certificate is near or past its end; the
// check's state green when it passed (0), blue for 1, red otherwise.
LRESULT TSignEncKydDlg::OnColorStatic(HDC context, HWND control) {
    COLORREF color = GetSysColor(COLOR_BTNTEXT);
    if (control == GetDlgItem(m_hWnd, kExpiryLine) && m_expiryWarning)
        color = RGB(255, 0, 0);
    else if (control == GetDlgItem(m_hWnd, kCheckState))
        color = m_checkState == 0 ? RGB(0, 128, 0) : m_checkState == 1 ? RGB(0, 0, 255) : RGB(255, 0, 0);
    SetTextColor(context, color);
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

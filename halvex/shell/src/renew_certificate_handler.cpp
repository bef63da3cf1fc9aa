// The chosen certificate checked and taken over: the authority's
// certificates present, the revocation password repeated alike, a
// certificate chosen, a lawyer card's commercial
// certificate found, an authentication certificate asked for, the
// signature usage present, the requests built and, for a card, its number
// read.
#include "card_number.h"
#include "halvex/cert_select.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/resource_strings.h"
#include "main_frame.h"
#include "request_takeover.h"
#include "required_certificates.h"
#include "win32/ui.h"

namespace halvex {
namespace {

constexpr UINT kMissingCertificateText = 33194;
constexpr UINT kSelectTitle = 33114;
constexpr UINT kAuthenticationQuestion = 33224;
constexpr UINT kPasswordsDifferText = 33240;
constexpr int kErrorNoCertificate = 4035;
constexpr int kErrorNoCardNumber = 4062;
constexpr int kErrorNoCardCommercial = 4063;
constexpr int kErrorNoSignatureUsage = 4046;
constexpr int kErrorCardNumberUnread = 4064;
constexpr BYTE kDigitalSignatureBit = 0x80;
constexpr DWORD kLawyerCommercialKind = kKindRenewal | kKindLawyerCardPair | kKindCommercial;
constexpr DWORD kParvelCommercialKind = kKindRenewal | kKindParvelPair | kKindCommercial;

bool InList(int index, const std::vector<CertInfo>& list) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

void LogCertificate(const char16_t* which, const CertInfo& certificate) {
    TLogFile::GetInstance().Print(u"OnURL_GetRenewCert() %s:cn:%s,ku:0x%x,kl:%d,sn:%s,csp:%s", which,
                                  certificate.commonName.c_str(), static_cast<unsigned>(certificate.keyUsage),
                                  static_cast<int>(certificate.keyLength), certificate.serial.c_str(),
                                  certificate.providerName.c_str());
}

}  // namespace

void MainFrame::OnURL_GetRenewCert() {
    TLog& log = TLogFile::GetInstance();
    if (const auto missing = FirstMissingRequiredCertificate()) {
        AppMessageBox(FormatResString(kMissingCertificateText, missing->store.c_str(), missing->subject.c_str(),
                                      missing->issuer.c_str(), missing->downloadUrl.c_str()),
                      MB_OK | MB_ICONERROR);
        return;
    }

    for (TCertRequest& request : m_requests) request.Reset();
    m_choice.pairRequested = false;
    m_view->SynchronizeHtmlData(false);
    if (m_choice.passwordRepeat != Request(0).challengePassword) {
        AppMessageBox(LoadResString(kPasswordsDifferText), MB_OK | MB_ICONWARNING);
        return;
    }
    const bool pairRequested = m_choice.pairRequested;
    Request(0).NormalizeFields();
    m_choice.lawyerPair = false;
    log.Print(u"OnURL_GetRenewCert(): renewal index QC %d", Request(0).selectionIndex);
    m_choice.authenticationToo = false;

    const std::vector<CertInfo>& all = m_choice.allCertificates;
    if (!InList(Request(0).selectionIndex, all) || (pairRequested && !InList(Request(1).selectionIndex, all))) {
        ErrorBox(u"", kErrorNoCertificate, false, false);
        return;
    }
    const CertInfo qualified = all[static_cast<std::size_t>(Request(0).selectionIndex)];
    CertInfo commercial;
    if (pairRequested) commercial = all[static_cast<std::size_t>(Request(1).selectionIndex)];

    if (qualified.type6) {
        log.Print(u"TRIKS for SAK (QMC type 6 - Advokat)");
        m_choice.lawyerPair = true;
        if (!FindLawyerCommercial(qualified, commercial)) return;
        CopyMissingNames(commercial, qualified);
        switch (AppMessageBox(LoadResString(kAuthenticationQuestion), MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDYES:
                m_choice.authenticationToo = true;
                break;
            case IDNO:
                m_choice.authenticationToo = false;
                break;
            default:
                return;
        }
    }
    const bool paired = pairRequested || m_choice.lawyerPair;
    if (paired) {
        Request(1).NormalizeFields();
        log.Print(u"OnURL_GetRenewCert(): renewal index SC %d", Request(1).selectionIndex);
        if (m_choice.authenticationToo) Request(2).NormalizeFields();
    }
    if (!(qualified.keyUsage & kDigitalSignatureBit)) {
        ErrorBox(u"", kErrorNoSignatureUsage, false, false);
        return;
    }
    LogCertificate(u"QC", qualified);
    if (paired) LogCertificate(u"SC", commercial);

    TakeOverChosenCertificates(qualified, commercial);

    if (Request(0).cardNumber.empty() && IsCardNumberProvider(Request(0).provider.name)) {
        std::u16string error;
        const auto number = ReadCardNumber(m_pentak.Interface(), Request(0).provider.name, &error);
        if (!number) {
            log.Print(u"m_pentak->GetCardNumber (): error %s", error.c_str());
            ErrorBox(u"", kErrorCardNumberUnread, false, false);
            return;
        }
        for (TCertRequest& request : m_requests) request.cardNumber = *number;
    }
    GoDataRenew();
}

bool MainFrame::FindLawyerCommercial(const CertInfo& qualified, CertInfo& commercial) {
    if (qualified.cardNumber.empty()) {
        ErrorBox(u"", kErrorNoCardNumber, false, false);
        return false;
    }
    const std::vector<CertInfo> onCard = CardCommercialCertificates(m_choice.allCertificates, qualified.cardNumber);
    if (onCard.empty()) {
        ErrorBox(u"", kErrorNoCardCommercial, false, false);
        return false;
    }
    if (onCard.size() == 1) {
        commercial = onCard.front();
        return true;
    }
    SelectTexts texts;
    texts.title = LoadResString(kSelectTitle);
    texts.prompt = u"Vyberte odpovídající komerční certifikát";
    if (SelectCertificateFromList(commercial, onCard, texts, SelectFilter{})) return true;
    ErrorBox(u"", kErrorNoCertificate, false, false);
    return false;
}

void MainFrame::TakeOverChosenCertificates(const CertInfo& qualified, const CertInfo& commercial) {
    const bool paired = m_choice.pairRequested || m_choice.lawyerPair;
    m_choice.certificates = {qualified, paired ? commercial : CertInfo{}, m_choice.authenticationToo ? qualified : CertInfo{}};
    TakeOverQualified(Request(0), qualified,
                      QualifiedRenewalKind(qualified, m_choice.pairRequested, m_choice.lawyerPair));
    if (paired)
        TakeOverCommercial(Request(1), commercial, m_choice.lawyerPair ? kLawyerCommercialKind : kParvelCommercialKind);
    if (m_choice.authenticationToo) BuildAuthenticationRequest(Request(2), qualified);
}

}  // namespace halvex

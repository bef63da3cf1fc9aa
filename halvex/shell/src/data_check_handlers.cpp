// The data page's check and what follows it: the applicant's names against
// the certificate's common name, each request's fields and its provider,
// the identifier the applicant adds put into the subject, then the keys
// and requests and the summary page. Also the providers offered for the
// requests and the request pane's text.
#include <algorithm>

#include "halvex/app_data.h"
#include "halvex/field_validation.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/page_names.h"
#include "halvex/resource_strings.h"
#include "frame_layout.h"
#include "main_frame.h"
#include "platform/text.h"
#include "request_creation.h"
#include "win32/ui.h"

namespace halvex {
namespace {

constexpr int kErrorNoProvider = 4031;
constexpr int kErrorProviderMissing = 4027;
constexpr UINT kGivenNameNotInCommonName = 33220;
constexpr UINT kSurnameNotInCommonName = 33221;
constexpr UINT kQuestionNoKeyUsage = 33155;
constexpr UINT kCaptionBirthNumber = 33161;
constexpr UINT kCaptionQualifier = 33138;
constexpr UINT kStatusRenewal = 33101;
constexpr UINT kStatusUnknownKind = 33027;
constexpr UINT kStatusCardFamily = 33035;
constexpr UINT kStatusStandardFamily = 33036;
constexpr DWORD kQualifierLength = 4;
// The provider of the card family the request pane names "zintra".
constexpr char16_t kCardFamilyProvider[] = u"Zintra CSP";

std::u16string CommonName(const RequestAttrs& subject) {
    const auto found =
        std::find_if(subject.begin(), subject.end(), [](const RequestAttr& attr) { return attr.oid == u"2.5.4.3"; });
    return found == subject.end() ? std::u16string() : found->value;
}

bool FoundIn(const std::u16string& commonName, const std::u16string& name) {
    return !name.empty() && name.front() != u' ' && name.front() != u'\t' &&
           commonName.find(name) != std::u16string::npos;
}

// Given name and surname typed on the page must both occur in the common
// name of the certificate being renewed; each missing one is shown.
bool NamesInCommonName(const TCertRequest& request) {
    const RequestCertificate& certificate = request.certificate;
    if (certificate.givenName.empty() || certificate.surname.empty()) return true;
    const std::u16string commonName = CommonName(certificate.subject);
    if (!FoundIn(commonName, certificate.givenName)) {
        AppMessageBox(LoadResString(kGivenNameNotInCommonName), MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!FoundIn(commonName, certificate.surname)) {
        AppMessageBox(LoadResString(kSurnameNotInCommonName), MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

// The installed providers the provider list offers, with their SHA-256
// signature asked of the enrolment object; false (4031) when none.
bool FillProviderList(TCertRequest& request, IPentak* pentak, const char16_t* group, const char16_t* entryGroup) {
    TLog& log = TLogFile::GetInstance();
    std::vector<ListedProvider> listed;
    TAppData::Instance().Providers().GetCryptoCSPList(listed, pentak);
    std::erase_if(listed, [](const ListedProvider& provider) { return provider.entry.enabled == 0; });
    log.Print(u"PrepareCSP() %s: num. csp %d, cond. %d", group, static_cast<int>(listed.size()), 255);
    if (listed.empty()) {
        ErrorBox(u"", kErrorNoProvider, false, false);
        return false;
    }
    int position = 0;
    for (const ListedProvider& provider : listed) {
        log.Print(u"PrepareCSP() %s: %02d. '%s' %d", entryGroup, ++position, provider.name.c_str(),
                  static_cast<int>(provider.type));
        request.providerList.push_back({provider.name, provider.type, {}});
    }
    return true;
}

// The identifier the applicant adds to a certificate that has none goes
// into the subject's serial number once it passes: a birth number (a
// warning), a document's number (required, and printable, as the serial
// number is a PrintableString), the refinement at most 4 printable
// characters. An identifier added on an earlier check and given up since
// leaves the subject.
bool TakeAddedIdentifier(TCertRequest& first) {
    if (first.hasIdentifier) return true;
    if (!first.addIdentifier) {
        first.RemoveSerialNumber();
        return true;
    }
    const bool birthNumber = first.identifierPrefix == u"PNO";
    const DWORD rules = birthNumber ? field_rule::kWarningOnly | field_rule::kBirthNumber | field_rule::kRequired
                                    : field_rule::kRequired | field_rule::kPrintable;
    if (!ValidateField(first.identifierValue, IdentifierTypeCaption(first.identifierPrefix), rules, 0)) return false;
    if (!ValidateField(first.identifierQualifier, kCaptionQualifier, field_rule::kMaxLength | field_rule::kPrintable,
                       kQualifierLength))
        return false;
    first.SetSerialNumber(first.ComposeIdentifier());
    return true;
}


}  // namespace

bool MainFrame::SelectRequestProvider(TCertRequest& request) {
    if (request.provider.name.empty() || request.providerList.empty()) return false;
    const auto found = std::find_if(request.providerList.begin(), request.providerList.end(),
                                    [&](const TCryptProviderW& entry) {
                                        return entry.name == request.provider.name &&
                                               entry.type == request.provider.type;
                                    });
    if (found == request.providerList.end()) return false;
    request.provider = *found;
    request.cardFamily = request.provider.name.find(kCardFamilyProvider) != std::u16string::npos ? 1 : 0;
    return true;
}

bool MainFrame::PrepareCSP() {
    const bool pair = IsPairKind(m_requests[0].kind);
    const std::size_t count = pair ? 2 : 1;
    for (std::size_t n = 0; n < count; ++n) m_requests[n].providerList.clear();
    if (!FillProviderList(m_requests[0], m_pentak.Interface(), u"QC", u"QC")) return false;
    if (pair && !FillProviderList(m_requests[1], m_pentak.Interface(), u"SC", u"SD")) return false;
    for (std::size_t n = 0; n < count; ++n) {
        if (SelectRequestProvider(m_requests[n])) continue;
        ErrorBox(FormatErrorMessage(kErrorProviderMissing, false, m_requests[n].provider.name.c_str()), 0, false,
                 false);
        return false;
    }
    m_view->Html().setStatusText(kRequestPane, platform::text::toUtf8(GetRequestStatusText()));
    return true;
}

bool MainFrame::CheckRequest(const TCertRequest& request) {
    if (request.identifierPrefix == u"PNO" && !request.identifierValue.empty() &&
        !ValidateField(request.identifierValue, kCaptionBirthNumber,
                       field_rule::kWarningOnly | field_rule::kBirthNumberOrDate, 0))
        return false;
    if (request.GetKeyUsage() == 0 &&
        AppMessageBox(LoadResString(kQuestionNoKeyUsage), MB_YESNOCANCEL | MB_ICONQUESTION) != IDYES)
        return false;
    return RequestCreation(*m_pentak.Interface(), TAppData::Instance().Providers()).CheckProvider(request);
}

void MainFrame::OnURL_DataCheck() {
    m_view->SynchronizeHtmlData(false);
    TCertRequest& first = m_requests[0];
    TCertRequest& second = m_requests[1];
    const bool pair = IsPairKind(first.kind);
    first.NormalizeFields();
    if (!NamesInCommonName(first)) return;
    if (pair) {
        second.NormalizeFields();
        if (!CheckRequest(first)) return;
    }
    if (!CheckRequest(pair ? second : first)) return;
    if (!TakeAddedIdentifier(first)) return;
    GoSummary();
}

void MainFrame::GoSummary() {
    const bool pair = IsPairKind(m_requests[0].kind);
    std::vector<std::size_t> included = {0};
    if (pair) included.push_back(1);
    if (m_choice.authenticationToo) included.push_back(2);
    m_view->SynchronizeHtmlData(false);
    // The names typed on the page belong to the pair's commercial request
    // as much as to the qualified one.
    if (pair) {
        m_requests[1].certificate.givenName = m_requests[0].certificate.givenName;
        m_requests[1].certificate.surname = m_requests[0].certificate.surname;
    }

    const TCSPManager& providers = TAppData::Instance().Providers();
    std::array<RequestKeyParams, 3> params;
    for (const std::size_t n : included) {
        params[n] = BuildRequestKeyParams(m_requests[n], n > 0, providers);
        // Requests reset in the same second name their containers alike:
        // a further key gets a container of its own.
        for (const std::size_t earlier : included) {
            if (earlier >= n) break;
            if (params[earlier].container == params[n].container)
                params[n].container += u"-" + std::u16string(1, static_cast<char16_t>(u'0' + n + 1));
        }
    }

    RequestCreation creation(*m_pentak.Interface(), providers, [this](UINT textId) { m_busy.ShowBusy(textId); });
    std::array<std::u16string, 3> pems;
    bool made = true;
    for (const std::size_t n : included) {
        if (!creation.CreatePKCS10(params[n], pems[n])) {
            made = false;
            break;
        }
    }
    m_busy.HideBusy();
    if (!made) {
        for (const std::size_t n : included) creation.OfferKeyDeletion(params[n]);
        return;
    }
    for (const std::size_t n : included) m_requests[n].requestText = pems[n];
    m_view->Go2Res(true, std::u16string(pages::kSummary));
}

std::u16string MainFrame::GetRequestStatusText() const {
    const TCertRequest& first = m_requests[0];
    const RequestType* type = TAppData::Instance().FindRequestType(first.kind);
    return LoadResString(kStatusRenewal) + u": " + LoadResString(type ? type->titleId : kStatusUnknownKind) + u" - " +
           LoadResString(first.cardFamily == 1 ? kStatusCardFamily : kStatusStandardFamily);
}

}  // namespace halvex

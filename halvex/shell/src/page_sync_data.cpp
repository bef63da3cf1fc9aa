// data_renew.htm filled and read back.
#include <cstdlib>

#include "common/cryptoapi.h"
#include "halvex/page_fragments.h"
#include "halvex/page_names.h"
#include "page_sync.h"
#include "platform/text.h"
#include "request_takeover.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;
using platform::text::toUtf8;

constexpr char16_t kGivenNameOid[] = u"2.5.4.42";
constexpr char16_t kSurnameOid[] = u"2.5.4.4";
constexpr char16_t kPseudonymOid[] = u"2.5.4.65";
constexpr int kUsageAll = 1;
constexpr int kUsageSignature = 2;

bool IsPaired(const TCertRequest& request) { return (request.kind & (kKindParvelPair | kKindLawyerCardPair)) != 0; }

std::string KeyAndHash(const TCertRequest& request) {
    const std::u16string hash = request.GetHashAlgorithm();
    return std::to_string(request.keyLength) + "b, " + toUtf8(::TCryptoapi::GetOidName(hash)) + " (" + toUtf8(hash) +
           ")";
}

std::string Escaped(const std::string& text) { return toUtf8(pages::EscapeHtml(fromUtf8(text))); }

// The request's own key length and validity are offered beside the page's
// choices, so a certificate's key of a length the page does not list (3072
// bits) is renewed at its length.
void OfferKeyPair(platform::ui::HtmlView& page, const TCertRequest& request) {
    const std::string pair = toUtf8(request.keyPair);
    const std::string options = page.innerHtml("RA_KEY_VALIDITY").value_or("");
    if (options.find("value=\"" + Escaped(pair) + "\"") != std::string::npos) return;
    page.setInnerHtml("RA_KEY_VALIDITY", options + "<option value=\"" + Escaped(pair) + "\">" +
                                             std::to_string(request.NormalizeKeyLength()) + " b, " +
                                             std::to_string(request.ValidityMonths()) + " měsíců</option>");
}

void FillKeyParams(platform::ui::HtmlView& page, const TCertRequest& first, const TCertRequest& second, bool paired) {
    const auto text = [&](const std::string& id, const std::string& value) { page.setInnerHtml(id, Escaped(value)); };
    text("RA_KEYLENHASH_QC", KeyAndHash(first));
    text("RA_TEMPL_KEY_VALIDITYLEN_QC", std::to_string(first.ValidityMonths()));
    if (paired) {
        text("RA_KEYLENHASH_SC", KeyAndHash(second));
        text("RA_TEMPL_KEY_VALIDITYLEN_SC", std::to_string(second.ValidityMonths()));
    }
    text("RA_TEMPL_CSP_LIST", toUtf8(first.provider.name));
    OfferKeyPair(page, first);
    page.setValue("RA_KEY_VALIDITY", toUtf8(first.keyPair));
    page.setChecked(first.sendForm ? "ZIP1" : "ZIP0", true);
}

void ReadKeyParams(platform::ui::HtmlView& page, TCertRequest& first, TCertRequest& second, bool paired) {
    if (const auto pair = page.value("RA_KEY_VALIDITY")) {
        first.keyPair = fromUtf8(*pair);
        first.keyLength = first.NormalizeKeyLength();
        if (paired) {
            second.keyPair = first.keyPair;
            second.keyLength = second.NormalizeKeyLength();
        }
    }
    first.sendForm = second.sendForm = page.checked("ZIP1").value_or(first.sendForm);
}

// The names are asked for when the certificate lacks one of them, unless
// it names a pseudonym.
bool NamesAsked(const CertInfo& certificate) {
    return SubjectValue(certificate, kPseudonymOid).empty() &&
           (SubjectValue(certificate, kGivenNameOid).empty() || SubjectValue(certificate, kSurnameOid).empty());
}

// The public-administration option: its block shown for the applicant's
// country, the choice and the identity document as the request holds them.
void FillIdentifier(platform::ui::HtmlView& page, const TCertRequest& request) {
    page.callFunction(toUtf8(pages::kSetCountry), {toUtf8(request.country)});
    page.setChecked("RA_GOVSK_CERT", request.addIdentifier);
    page.setValue("RA_TYPEID", toUtf8(request.identifierPrefix));
    page.setValue("RA_NUMID", toUtf8(request.identifierValue));
}

// The choice read back; when the applicant adds the identifier, the
// document's type and number, issued in the applicant's country.
void ReadIdentifier(platform::ui::HtmlView& page, TCertRequest& request) {
    request.addIdentifier = page.checked("RA_GOVSK_CERT").value_or(false);
    if (!request.addIdentifier) return;
    request.identifierPrefix = fromUtf8(page.value("RA_TYPEID").value_or(""));
    request.identifierValue = fromUtf8(page.value("RA_NUMID").value_or(""));
    request.identifierIssuer = request.country;
}

}  // namespace

bool SyncDataRenew(platform::ui::HtmlView& page, RenewalChoice& choice, TCertRequest& first, TCertRequest& second,
                   bool toPage) {
    if (page.location().empty()) return false;
    const bool paired = IsPaired(first);
    const bool parvel = (first.kind & kKindParvelPair) != 0;
    if (!toPage) {
        ReadKeyParams(page, first, second, paired);
        first.certificate.givenName = fromUtf8(page.value("RA_NAME").value_or(""));
        first.certificate.surname = fromUtf8(page.value("RA_SURNAME").value_or(""));
        if (first.OffersIdentifier()) ReadIdentifier(page, first);
        if (!parvel) {
            const auto usage = page.value("RA_KEY_USAGE");
            if (usage && std::atoi(usage->c_str()) == kUsageAll)
                first.PresetKeyUsageAll();
            else if (usage)
                first.PresetKeyUsageBasic();
        }
        return true;
    }
    for (const char* id : {"RA_TITLE_SC", "RA_KEYLENHASH_SC_ID", "RA_KEY_VALIDITY_SC_ID"}) ShowItem(page, id, !paired);
    FillKeyParams(page, first, second, paired);
    page.callFunction(toUtf8(pages::kRemoveSelectOption), {"RA_KEY_VALIDITY", "1024|12"});
    if (NamesAsked(choice.certificates[0])) {
        ShowItem(page, "RA_FORM_NAMES", false);
        SetMandatory(page, "RA_NAME");
        SetMandatory(page, "RA_SURNAME");
    }
    page.setValue("RA_NAME", toUtf8(first.certificate.givenName));
    page.setValue("RA_SURNAME", toUtf8(first.certificate.surname));
    ShowItem(page, "RA_NORMKEYSET_B", paired || !choice.changeKeyUsage);
    if (!parvel)
        page.setValue("RA_KEY_USAGE", std::to_string(first.GetKeyUsage() == 3 ? kUsageSignature : kUsageAll));
    ShowItem(page, "RA_CERT_GOV_USAGE_INPUT", !first.OffersIdentifier());
    if (first.OffersIdentifier()) FillIdentifier(page, first);
    const TCertRequest* pairedSecond = paired ? &second : nullptr;
    if (!first.certificate.subject.empty() || !first.certificate.altNames.empty())
        page.setInnerHtml("RA_TEMPLATE_HTML", toUtf8(pages::CertificateTable(first, pairedSecond)));
    page.setInnerHtml("RA_KEY_USAGE_SPAN", toUtf8(pages::KeyUsageTable(first, pairedSecond)));
    return true;
}

}  // namespace halvex

// selcert_renew.htm filled and read back.
#include "halvex/page_names.h"
#include "page_sync.h"
#include "platform/text.h"

namespace halvex {
namespace {

using platform::text::fromUtf8;
using platform::text::toUtf8;

void ListCertificates(platform::ui::HtmlView& page, const RenewalChoice& choice) {
    for (std::size_t i = 0; i < choice.renewable.size(); ++i) {
        const CertInfo& certificate = choice.renewable[i];
        const int partner = IndexOfPairPartner(choice.allCertificates, certificate);
        std::u16string caption = (partner >= 0 ? u"(P) " : u"(Q) ") + certificate.commonName;
        std::u16string description = CertificateDescription(certificate);
        if (partner >= 0)
            description += u" | " + CertificateDescription(choice.allCertificates[static_cast<std::size_t>(partner)]);
        page.callFunction(toUtf8(pages::kAdd2CertList),
                          {toUtf8(caption), toUtf8(description), std::to_string(i)});
    }
    // The only certificate there is comes chosen; of several the user picks.
    if (choice.renewable.size() == 1) page.setValue("MYCERT_LIST", "0");
}

// The chosen entry as positions in the all-certificates list.
void ReadChoice(platform::ui::HtmlView& page, RenewalChoice& choice, TCertRequest& first, TCertRequest& second) {
    const auto selected = ParseEntryIndex(page.value("MYCERT_LIST").value_or(""));
    if (!selected || *selected >= choice.renewable.size()) return;
    const CertInfo& chosen = choice.renewable[*selected];
    first.selectionIndex = IndexOfCertificate(choice.allCertificates, chosen);
    const int partner = IndexOfPairPartner(choice.allCertificates, chosen);
    choice.pairRequested = partner >= 0;
    if (partner >= 0) second.selectionIndex = partner;
}

}  // namespace

bool SyncCertList(platform::ui::HtmlView& page, RenewalChoice& choice, TCertRequest& first, TCertRequest& second,
                  bool toPage) {
    if (page.location().empty()) return false;
    if (toPage) {
        ListCertificates(page, choice);
        page.setChecked("ODB0", true);
        page.setDisabled("ODB0", false);
        page.setDisabled("ODB1", false);
        page.setChecked("ODB1", choice.changeKeyUsage);
        page.setValue("RA_REVOKE_PASSWD", toUtf8(first.challengePassword));
        page.setValue("RA_REVOKE_PASSWD2", toUtf8(choice.passwordRepeat));
        return true;
    }
    ReadChoice(page, choice, first, second);
    choice.changeKeyUsage = page.checked("ODB1").value_or(false);
    first.challengePassword = second.challengePassword = fromUtf8(page.value("RA_REVOKE_PASSWD").value_or(""));
    choice.passwordRepeat = fromUtf8(page.value("RA_REVOKE_PASSWD2").value_or(""));
    return true;
}

}  // namespace halvex

#include "renewal_choice.h"

#include <algorithm>
#include <charconv>

#include "halvex/cert_access.h"

namespace halvex {
namespace {

bool IsQcCompliant(const CertInfo& certificate) {
    return std::find(certificate.qcStatementOids.begin(), certificate.qcStatementOids.end(), kQcComplianceOid) !=
           certificate.qcStatementOids.end();
}

}  // namespace

std::optional<std::size_t> ParseEntryIndex(std::string_view text) {
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return index;
}

int IndexOfCertificate(const std::vector<CertInfo>& all, const CertInfo& certificate) {
    for (std::size_t i = 0; i < all.size(); ++i)
        if (!certificate.der.empty() && all[i].der == certificate.der) return static_cast<int>(i);
    return -1;
}

int IndexOfPairPartner(const std::vector<CertInfo>& all, const CertInfo& qualified) {
    if (qualified.pairNumber.empty()) return -1;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const CertInfo& candidate = all[i];
        if (candidate.pairNumber == qualified.pairNumber && candidate.serial != qualified.serial &&
            !IsQcCompliant(candidate))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<CertInfo> CardCommercialCertificates(const std::vector<CertInfo>& all, const std::u16string& cardNumber) {
    std::vector<CertInfo> found;
    for (const CertInfo& candidate : all)
        if (candidate.cardNumber == cardNumber && !IsQcCompliant(candidate)) found.push_back(candidate);
    return found;
}

std::u16string CertificateDescription(const CertInfo& certificate) {
    return u"Vydal: " + certificate.issuerCommonName + u", sériové číslo: " + certificate.serial;
}

}  // namespace halvex

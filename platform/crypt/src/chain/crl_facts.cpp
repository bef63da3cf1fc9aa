#include "chain/crl_facts.h"

#include <string_view>

#include "platform/win_error.h"
#include "store/bytes.h"

namespace platform::crypt::chain {

namespace {

constexpr std::string_view kAuthorityKeyId = "2.5.29.35";
constexpr std::string_view kCrlNumber = "2.5.29.20";
constexpr std::string_view kDeltaCrlIndicator = "2.5.29.27";
constexpr std::string_view kIssuingDistributionPoint = "2.5.29.28";
constexpr std::string_view kReasonCode = "2.5.29.21";
constexpr std::string_view kCertificateIssuer = "2.5.29.29";

der::Bytes bytesOf(der::View v) {
    return der::Bytes(v.begin(), v.end());
}

// CRLNumber ::= INTEGER (0..MAX); a negative one does not decode.
der::Bytes crlNumberOf(der::View value) {
    const der::View content = der::readOuter(value, der::kInteger).content;
    if (content.empty() || (content[0] & 0x80)) throw WinError(CRYPT_E_ASN1_CORRUPT, "CRL number out of range");
    std::size_t skip = 0;
    while (skip + 1 < content.size() && content[skip] == 0) ++skip;
    return bytesOf(content.subspan(skip));
}

bool flagOf(const std::optional<der::Element>& e) {
    return e && der::booleanOf(e->content);
}

IssuingDistributionPoint issuingPointOf(der::View value, der::View crlIssuer) {
    der::Reader r(der::readOuter(value, der::kSequence).content);
    IssuingDistributionPoint idp;
    if (auto name = r.readIf(der::contextConstructed(0))) {
        der::Reader choice(name->content);
        const der::Element chosen = choice.read();
        choice.finish();
        idp.names = distributionPointNames(chosen, crlIssuer);
    }
    idp.onlyUserCerts = flagOf(r.readIf(der::contextTag(1)));
    idp.onlyCaCerts = flagOf(r.readIf(der::contextTag(2)));
    if (auto reasons = r.readIf(der::contextTag(3))) idp.reasons = reasonsOf(reasons->content);
    idp.indirect = flagOf(r.readIf(der::contextTag(4)));
    idp.onlyAttributeCerts = flagOf(r.readIf(der::contextTag(5)));
    r.finish();
    return idp;
}

// Reads the extensions the engine processes; false for a critical one it does not.
bool readCrlExtension(const CERT_EXTENSION& ext, const CRL_INFO& crl, CrlFacts& facts) {
    const std::string_view oid = ext.pszObjId ? ext.pszObjId : "";
    const der::View value = store::viewOf(ext.Value);
    if (oid == kCrlNumber) {
        facts.number = crlNumberOf(value);
    } else if (oid == kDeltaCrlIndicator) {
        facts.deltaBase = crlNumberOf(value);
    } else if (oid == kIssuingDistributionPoint) {
        facts.issuingPoint = issuingPointOf(value, store::viewOf(crl.Issuer));
        facts.issuingPointValue = bytesOf(value);
    } else if (oid == kAuthorityKeyId) {
        facts.authorityKeyIdValue = bytesOf(value);
    } else {
        return !ext.fCritical;
    }
    return true;
}

// The reason code is read where it is needed; the certificate issuer here.
bool readEntryExtensions(const CRL_ENTRY& entry, DWORD index, CrlFacts& facts) {
    for (DWORD i = 0; i < entry.cExtension; ++i) {
        const CERT_EXTENSION& ext = entry.rgExtension[i];
        const std::string_view oid = ext.pszObjId ? ext.pszObjId : "";
        if (oid == kCertificateIssuer)
            facts.entryIssuers.emplace_back(
                index, generalNamesIn(der::readOuter(store::viewOf(ext.Value), der::kSequence)));
        else if (oid != kReasonCode && ext.fCritical)
            return false;
    }
    return true;
}

}  // namespace

CrlFacts crlFactsOf(const CRL_INFO& crl) {
    CrlFacts facts;
    try {
        for (DWORD i = 0; i < crl.cExtension && facts.usable; ++i)
            facts.usable = readCrlExtension(crl.rgExtension[i], crl, facts);
        for (DWORD i = 0; i < crl.cCRLEntry && facts.usable; ++i)
            facts.usable = readEntryExtensions(crl.rgCRLEntry[i], i, facts);
    } catch (const WinError&) {
        facts.usable = false;
    }
    return facts;
}

int compareCrlNumbers(const der::Bytes& a, const der::Bytes& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

}  // namespace platform::crypt::chain

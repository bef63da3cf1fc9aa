// X509_ENHANCED_KEY_USAGE: ExtKeyUsageSyntax ::= SEQUENCE OF KeyPurposeId.
#include "encode/codecs.h"

namespace platform::crypt::codecs {

der::Bytes encodeEnhancedKeyUsage(const void* info, const Encoding&) {
    const auto& usage = record<CERT_ENHKEY_USAGE>(info);
    der::Bytes content;
    for (LPSTR oid : items(usage.rgpszUsageIdentifier, usage.cUsageIdentifier)) {
        const der::Bytes id = der::oid(required(oid));
        der::concat(content, id);
    }
    return der::encode(der::kSequence, content);
}

void decodeEnhancedKeyUsage(der::View input, Decoding& d) {
    auto& usage = *d.make<CERT_ENHKEY_USAGE>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    usage.cUsageIdentifier = r.countLeft();
    usage.rgpszUsageIdentifier = d.make<LPSTR>(usage.cUsageIdentifier);
    for (DWORD i = 0; i < usage.cUsageIdentifier; ++i) usage.rgpszUsageIdentifier[i] = d.oid(r.read(der::kOid));
}

}  // namespace platform::crypt::codecs

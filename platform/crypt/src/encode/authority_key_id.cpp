// X509_AUTHORITY_KEY_ID2 (2.5.29.35): AuthorityKeyIdentifier ::= SEQUENCE {
// [0] keyIdentifier, [1] authorityCertIssuer GeneralNames,
// [2] authorityCertSerialNumber }, every part optional (RFC 5280 4.2.1.1).
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt::codecs {

der::Bytes encodeAuthorityKeyId2(const void* info, const Encoding&) {
    const auto& aki = record<CERT_AUTHORITY_KEY_ID2_INFO>(info);
    der::Bytes content;
    if (aki.KeyId.cbData) content = der::octetString(view(aki.KeyId), der::contextTag(0));
    if (aki.AuthorityCertIssuer.cAltEntry) {
        const der::Bytes issuer = parts::generalNames(aki.AuthorityCertIssuer, der::contextConstructed(1));
        der::concat(content, issuer);
    }
    if (aki.AuthorityCertSerialNumber.cbData) {
        const der::Bytes serial = parts::integerLittleEndian(aki.AuthorityCertSerialNumber, der::contextTag(2));
        der::concat(content, serial);
    }
    return der::encode(der::kSequence, content);
}

void decodeAuthorityKeyId2(der::View input, Decoding& d) {
    auto& aki = *d.make<CERT_AUTHORITY_KEY_ID2_INFO>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    if (auto keyId = r.readIf(der::contextTag(0))) aki.KeyId = d.bytes(keyId->content);
    if (auto issuer = r.readIf(der::contextConstructed(1))) parts::readGeneralNames(*issuer, d, aki.AuthorityCertIssuer);
    if (auto serial = r.readIf(der::contextTag(2)))
        aki.AuthorityCertSerialNumber = parts::readIntegerLittleEndian(*serial, d);
    r.finish();
}

}  // namespace platform::crypt::codecs

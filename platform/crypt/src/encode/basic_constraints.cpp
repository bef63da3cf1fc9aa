// X509_BASIC_CONSTRAINTS2: BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT
// FALSE, pathLenConstraint INTEGER (0..MAX) OPTIONAL } (RFC 5280 4.2.1.9).
#include "encode/codecs.h"

namespace platform::crypt::codecs {

der::Bytes encodeBasicConstraints2(const void* info, const Encoding&) {
    const auto& bc = record<CERT_BASIC_CONSTRAINTS2_INFO>(info);
    der::Bytes content;
    if (bc.fCA) content = der::boolean(true);
    if (bc.fPathLenConstraint) {
        const der::Bytes length = der::integer(bc.dwPathLenConstraint);
        der::concat(content, length);
    }
    return der::encode(der::kSequence, content);
}

void decodeBasicConstraints2(der::View input, Decoding& d) {
    auto& bc = *d.make<CERT_BASIC_CONSTRAINTS2_INFO>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    if (auto ca = r.readIf(der::kBoolean)) bc.fCA = der::booleanOf(ca->content) ? TRUE : FALSE;
    if (auto length = r.readIf(der::kInteger)) {
        const std::int32_t value = der::int32Of(length->content);
        if (value < 0) throw WinError(CRYPT_E_ASN1_CORRUPT, "negative path length");
        bc.fPathLenConstraint = TRUE;
        bc.dwPathLenConstraint = static_cast<DWORD>(value);
    }
    r.finish();
}

}  // namespace platform::crypt::codecs

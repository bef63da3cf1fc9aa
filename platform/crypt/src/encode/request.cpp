// X509_CERT_REQUEST_TO_BE_SIGNED: CertificationRequestInfo (RFC 2986 4.1)
// <-> CERT_REQUEST_INFO; the attributes are the [0] IMPLICIT SET OF
// Attribute, written even when empty.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt::codecs {

der::Bytes encodeRequestInfo(const void* info, const Encoding&) {
    const auto& request = record<CERT_REQUEST_INFO>(info);
    return der::wrap(der::kSequence,
                     {der::integer(request.dwVersion), parts::nameBlob(request.Subject),
                      parts::publicKeyInfo(request.SubjectPublicKeyInfo),
                      parts::attributes(items(request.rgAttribute, request.cAttribute), der::contextConstructed(0))});
}

void decodeRequestInfo(der::View input, Decoding& d) {
    auto& request = *d.make<CERT_REQUEST_INFO>();
    der::Reader r(parts::toBeSignedOf(input, d).content);
    const std::int32_t version = der::int32Of(r.read(der::kInteger).content);
    if (version < 0) throw WinError(CRYPT_E_ASN1_CORRUPT, "negative request version");
    request.dwVersion = static_cast<DWORD>(version);
    request.Subject = d.bytes(r.read(der::kSequence).encoded);
    parts::readPublicKeyInfo(r.read(der::kSequence), d, request.SubjectPublicKeyInfo);
    parts::readAttributes(r.read(der::contextConstructed(0)), d, request.cAttribute, request.rgAttribute);
    r.finish();
}

}  // namespace platform::crypt::codecs

// AlgorithmIdentifier and SubjectPublicKeyInfo, alone (X509_ALGORITHM_IDENTIFIER,
// X509_PUBLIC_KEY_INFO) and inside certificates, CRLs and requests.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt {

namespace parts {

der::Bytes algorithm(const CRYPT_ALGORITHM_IDENTIFIER& a) {
    const der::View parameters = view(a.Parameters);
    return der::wrap(der::kSequence,
                     {der::oid(required(a.pszObjId)), parameters.empty() ? der::null() : der::raw(parameters)});
}

void readAlgorithm(const der::Element& e, Decoding& d, CRYPT_ALGORITHM_IDENTIFIER& out) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "AlgorithmIdentifier expected");
    der::Reader r(e.content);
    out.pszObjId = d.oid(r.read(der::kOid));
    if (!r.atEnd()) out.Parameters = d.bytes(r.read().encoded);
    r.finish();
}

void readBits(const der::Element& e, Decoding& d, CRYPT_BIT_BLOB& out) {
    const der::BitString bits = der::bitStringOf(e.content);
    const CRYPTOAPI_BLOB blob = d.bytes(bits.bytes);
    out = {blob.cbData, blob.pbData, bits.unusedBits};
}

der::Bytes publicKeyInfo(const CERT_PUBLIC_KEY_INFO& k) {
    return der::wrap(der::kSequence, {algorithm(k.Algorithm),
                                      der::bitString(view({k.PublicKey.cbData, k.PublicKey.pbData}),
                                                     k.PublicKey.cUnusedBits)});
}

void readPublicKeyInfo(const der::Element& e, Decoding& d, CERT_PUBLIC_KEY_INFO& out) {
    if (e.tag != der::kSequence) throw WinError(CRYPT_E_ASN1_BADTAG, "SubjectPublicKeyInfo expected");
    der::Reader r(e.content);
    readAlgorithm(r.read(der::kSequence), d, out.Algorithm);
    readBits(r.read(der::kBitString), d, out.PublicKey);
    r.finish();
}

}  // namespace parts

namespace codecs {

der::Bytes encodeAlgorithmId(const void* info, const Encoding&) {
    return parts::algorithm(record<CRYPT_ALGORITHM_IDENTIFIER>(info));
}

void decodeAlgorithmId(der::View input, Decoding& d) {
    auto& a = *d.make<CRYPT_ALGORITHM_IDENTIFIER>();
    parts::readAlgorithm(der::readOuter(input, der::kSequence), d, a);
}

der::Bytes encodePublicKeyInfo(const void* info, const Encoding&) {
    return parts::publicKeyInfo(record<CERT_PUBLIC_KEY_INFO>(info));
}

void decodePublicKeyInfo(der::View input, Decoding& d) {
    auto& k = *d.make<CERT_PUBLIC_KEY_INFO>();
    parts::readPublicKeyInfo(der::readOuter(input, der::kSequence), d, k);
}

}  // namespace codecs

}  // namespace platform::crypt

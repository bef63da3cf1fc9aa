// X509_CERT: the signed envelope of certificates, CRLs and requests,
// SEQUENCE { toBeSigned, signatureAlgorithm, signature BIT STRING }. CryptoAPI
// keeps signatures byte-reversed (little-endian, as CryptSignHash gives
// them) unless the NO_SIGNATURE_BYTE_REVERSAL flag is given.
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt {

namespace parts {

der::Element toBeSignedOf(der::View input, const Decoding& d) {
    const der::Element outer = der::readOuter(input, der::kSequence);
    if (d.flags() & CRYPT_DECODE_TO_BE_SIGNED_FLAG) return outer;
    der::Reader r(outer.content);
    return r.read(der::kSequence);
}

}  // namespace parts

namespace codecs {

der::Bytes encodeSignedContent(const void* info, const Encoding& e) {
    const auto& signedContent = record<CERT_SIGNED_CONTENT_INFO>(info);
    const CRYPT_BIT_BLOB& sig = signedContent.Signature;
    const der::View given = view({sig.cbData, sig.pbData});
    const der::Bytes signature = (e.flags & CRYPT_ENCODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG)
                                     ? der::Bytes(given.begin(), given.end())
                                     : der::reversed(given);
    return der::wrap(der::kSequence, {der::raw(view(signedContent.ToBeSigned)),
                                      parts::algorithm(signedContent.SignatureAlgorithm),
                                      der::bitString(signature, sig.cUnusedBits)});
}

void decodeSignedContent(der::View input, Decoding& d) {
    auto& signedContent = *d.make<CERT_SIGNED_CONTENT_INFO>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    signedContent.ToBeSigned = d.bytes(r.read(der::kSequence).encoded);
    parts::readAlgorithm(r.read(der::kSequence), d, signedContent.SignatureAlgorithm);
    const der::BitString bits = der::bitStringOf(r.read(der::kBitString).content);
    r.finish();
    const CRYPTOAPI_BLOB signature = (d.flags() & CRYPT_DECODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG)
                                         ? d.bytes(bits.bytes)
                                         : d.copy(der::reversed(bits.bytes));
    signedContent.Signature = {signature.cbData, signature.pbData, bits.unusedBits};
}

}  // namespace codecs

}  // namespace platform::crypt

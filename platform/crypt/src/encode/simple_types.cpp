// Single values: X509_OCTET_STRING (and the subject key identifier),
// X509_CHOICE_OF_TIME (and PKCS_UTC_TIME, the signing time) and
// X509_SEQUENCE_OF_ANY, whose elements are complete encodings kept as they
// stand.
#include "encode/codecs.h"

namespace platform::crypt::codecs {

der::Bytes encodeOctetString(const void* info, const Encoding&) {
    return der::octetString(view(record<CRYPT_DATA_BLOB>(info)));
}

void decodeOctetString(der::View input, Decoding& d) {
    auto& blob = *d.make<CRYPT_DATA_BLOB>();
    blob = d.bytes(der::readOuter(input, der::kOctetString).content);
}

der::Bytes encodeChoiceOfTime(const void* info, const Encoding&) { return der::time(record<FILETIME>(info)); }

void decodeChoiceOfTime(der::View input, Decoding& d) {
    auto& time = *d.make<FILETIME>();
    time = der::timeOf(der::readOuter(input));
}

der::Bytes encodeSequenceOfAny(const void* info, const Encoding&) {
    const auto& seq = record<CRYPT_SEQUENCE_OF_ANY>(info);
    der::Bytes content;
    for (const CRYPT_DER_BLOB& value : items(seq.rgValue, seq.cValue)) {
        const der::View element = der::raw(view(value));
        der::concat(content, element);
    }
    return der::encode(der::kSequence, content);
}

void decodeSequenceOfAny(der::View input, Decoding& d) {
    auto& seq = *d.make<CRYPT_SEQUENCE_OF_ANY>();
    der::Reader r(der::readOuter(input, der::kSequence).content);
    seq.cValue = r.countLeft();
    seq.rgValue = d.make<CRYPT_DER_BLOB>(seq.cValue);
    for (DWORD i = 0; i < seq.cValue; ++i) seq.rgValue[i] = d.bytes(r.read().encoded);
}

}  // namespace platform::crypt::codecs

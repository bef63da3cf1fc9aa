// INTEGER and ENUMERATED: X509_INTEGER and X509_ENUMERATED (an int),
// X509_MULTI_BYTE_INTEGER (little-endian two's complement) and
// X509_MULTI_BYTE_UINT (little-endian unsigned: the sign byte DER needs is
// added when writing and dropped when reading, as CryptoAPI does).
#include "encode/codecs.h"
#include "encode/parts.h"

namespace platform::crypt {

namespace {

der::View contentOf(const der::Element& e) {
    if (e.content.empty()) throw WinError(CRYPT_E_ASN1_CORRUPT, "empty INTEGER");
    return e.content;
}

CRYPT_INTEGER_BLOB reversedCopy(Decoding& d, der::View bigEndian) {
    const der::Bytes little = der::reversed(bigEndian);
    return d.copy(little);
}

}  // namespace

namespace parts {

der::Bytes integerLittleEndian(const CRYPT_INTEGER_BLOB& value, BYTE tag) {
    der::Bytes out = der::integerSigned(der::reversed(view(value)));
    out[0] = tag;
    return out;
}

CRYPT_INTEGER_BLOB readIntegerLittleEndian(const der::Element& e, Decoding& d) {
    return reversedCopy(d, contentOf(e));
}

}  // namespace parts

namespace codecs {

der::Bytes encodeInteger(const void* info, const Encoding&) { return der::integer(record<int>(info)); }

void decodeInteger(der::View input, Decoding& d) {
    *d.make<int>() = der::int32Of(der::readOuter(input, der::kInteger).content);
}

der::Bytes encodeEnumerated(const void* info, const Encoding&) {
    return der::integer(record<int>(info), der::kEnumerated);
}

void decodeEnumerated(der::View input, Decoding& d) {
    *d.make<int>() = der::int32Of(der::readOuter(input, der::kEnumerated).content);
}

der::Bytes encodeMultiByteInteger(const void* info, const Encoding&) {
    return parts::integerLittleEndian(record<CRYPT_INTEGER_BLOB>(info));
}

void decodeMultiByteInteger(der::View input, Decoding& d) {
    auto& value = *d.make<CRYPT_INTEGER_BLOB>();
    value = parts::readIntegerLittleEndian(der::readOuter(input, der::kInteger), d);
}

der::Bytes encodeMultiByteUint(const void* info, const Encoding&) {
    return der::integerUnsigned(der::reversed(view(record<CRYPT_UINT_BLOB>(info))));
}

void decodeMultiByteUint(der::View input, Decoding& d) {
    auto& value = *d.make<CRYPT_UINT_BLOB>();
    der::View content = contentOf(der::readOuter(input, der::kInteger));
    if (content.size() > 1 && content[0] == 0) content = content.subspan(1);
    value = reversedCopy(d, content);
}

}  // namespace codecs

}  // namespace platform::crypt

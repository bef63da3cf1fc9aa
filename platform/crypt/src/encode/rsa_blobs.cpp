// RSA keys between PKCS#1 (RFC 8017 A.1) and the CryptoAPI key blobs:
// RSA_CSP_PUBLICKEYBLOB is PUBLICKEYBLOB <-> RSAPublicKey, PKCS_RSA_PRIVATE_KEY
// is PRIVATEKEYBLOB <-> RSAPrivateKey. A blob holds BLOBHEADER, RSAPUBKEY,
// then the numbers little-endian: the modulus (bitlen/8 bytes) and, for a
// private key, p, q, dp, dq, qInv (bitlen/16 each) and d (bitlen/8).
#include <cstring>

#include "encode/codecs.h"

namespace platform::crypt::codecs {

namespace {

constexpr std::size_t kHeaderSize = sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);

struct KeyHeader {
    BLOBHEADER blob;
    RSAPUBKEY rsa;
};

// `unit`: the bit length must be a whole number of bytes (16 bits for a
// private key, whose primes take half the modulus).
KeyHeader headerOf(const void* info, BYTE type, DWORD magic, DWORD unit) {
    KeyHeader h{};
    std::memcpy(&h.blob, &record<BYTE>(info), sizeof h.blob);
    std::memcpy(&h.rsa, static_cast<const BYTE*>(info) + sizeof h.blob, sizeof h.rsa);
    if (h.blob.bType != type || h.rsa.magic != magic || h.rsa.bitlen == 0 || h.rsa.bitlen % unit)
        throw WinError(E_INVALIDARG, "not an RSA key blob of this kind");
    return h;
}

// The unsigned INTEGER of little-endian bytes.
der::Bytes unsignedOf(const BYTE* little, std::size_t size) {
    return der::integerUnsigned(der::reversed(der::View(little, size)));
}

// The magnitude of an unsigned INTEGER, without leading zeros.
der::View magnitudeOf(const der::Element& e) {
    if (e.content.empty()) throw WinError(CRYPT_E_ASN1_CORRUPT, "empty INTEGER");
    der::View v = e.content;
    while (v.size() > 1 && v[0] == 0) v = v.subspan(1);
    return v;
}

DWORD exponentOf(const der::Element& e) {
    const der::View v = magnitudeOf(e);
    if (v.size() > 4) throw WinError(CRYPT_E_ASN1_LARGE, "public exponent beyond 32 bits");
    DWORD value = 0;
    for (BYTE b : v) value = (value << 8) | b;
    return value;
}

// Writes a number little-endian into a slot of `size` bytes.
BYTE* put(BYTE* out, der::View bigEndian, std::size_t size) {
    if (bigEndian.size() > size) throw WinError(CRYPT_E_ASN1_LARGE, "key number larger than the modulus allows");
    for (std::size_t i = 0; i < bigEndian.size(); ++i) out[i] = bigEndian[bigEndian.size() - 1 - i];
    return out + size;
}

BYTE* putHeader(BYTE* out, BYTE type, DWORD magic, DWORD bitlen, DWORD exponent) {
    const KeyHeader h{{type, CUR_BLOB_VERSION, 0, CALG_RSA_KEYX}, {magic, bitlen, exponent}};
    std::memcpy(out, &h.blob, sizeof h.blob);
    std::memcpy(out + sizeof h.blob, &h.rsa, sizeof h.rsa);
    return out + kHeaderSize;
}

}  // namespace

der::Bytes encodeRsaPublicKeyBlob(const void* info, const Encoding&) {
    const KeyHeader h = headerOf(info, PUBLICKEYBLOB, RSA1_MAGIC, 8);
    const BYTE* modulus = static_cast<const BYTE*>(info) + kHeaderSize;
    const BYTE exponent[4] = {static_cast<BYTE>(h.rsa.pubexp), static_cast<BYTE>(h.rsa.pubexp >> 8),
                              static_cast<BYTE>(h.rsa.pubexp >> 16), static_cast<BYTE>(h.rsa.pubexp >> 24)};
    return der::wrap(der::kSequence, {unsignedOf(modulus, h.rsa.bitlen / 8), unsignedOf(exponent, 4)});
}

void decodeRsaPublicKeyBlob(der::View input, Decoding& d) {
    der::Reader r(der::readOuter(input, der::kSequence).content);
    const der::View modulus = magnitudeOf(r.read(der::kInteger));
    const DWORD exponent = exponentOf(r.read(der::kInteger));
    r.finish();
    BYTE* out = d.make<BYTE>(kHeaderSize + modulus.size());
    out = putHeader(out, PUBLICKEYBLOB, RSA1_MAGIC, static_cast<DWORD>(modulus.size() * 8), exponent);
    put(out, modulus, modulus.size());
}

der::Bytes encodeRsaPrivateKey(const void* info, const Encoding&) {
    const KeyHeader h = headerOf(info, PRIVATEKEYBLOB, RSA2_MAGIC, 16);
    const std::size_t full = h.rsa.bitlen / 8;
    const std::size_t half = h.rsa.bitlen / 16;
    const BYTE* p = static_cast<const BYTE*>(info) + kHeaderSize;
    const BYTE exponent[4] = {static_cast<BYTE>(h.rsa.pubexp), static_cast<BYTE>(h.rsa.pubexp >> 8),
                              static_cast<BYTE>(h.rsa.pubexp >> 16), static_cast<BYTE>(h.rsa.pubexp >> 24)};
    const der::Bytes n = unsignedOf(p, full);
    const der::Bytes prime1 = unsignedOf(p + full, half);
    const der::Bytes prime2 = unsignedOf(p + full + half, half);
    const der::Bytes exponent1 = unsignedOf(p + full + 2 * half, half);
    const der::Bytes exponent2 = unsignedOf(p + full + 3 * half, half);
    const der::Bytes coefficient = unsignedOf(p + full + 4 * half, half);
    const der::Bytes privateExponent = unsignedOf(p + full + 5 * half, full);
    return der::wrap(der::kSequence, {der::integer(0), n, unsignedOf(exponent, 4), privateExponent, prime1, prime2,
                                      exponent1, exponent2, coefficient});
}

void decodeRsaPrivateKey(der::View input, Decoding& d) {
    der::Reader r(der::readOuter(input, der::kSequence).content);
    if (der::int32Of(r.read(der::kInteger).content) != 0)
        throw WinError(CRYPT_E_ASN1_CORRUPT, "RSAPrivateKey of another version than two-prime");
    const der::View modulus = magnitudeOf(r.read(der::kInteger));
    const DWORD exponent = exponentOf(r.read(der::kInteger));
    der::View numbers[6];  // d, p, q, dp, dq, qInv in DER order
    for (der::View& v : numbers) v = magnitudeOf(r.read(der::kInteger));
    r.finish();
    const std::size_t full = modulus.size() + modulus.size() % 2;  // bitlen a multiple of 16
    const std::size_t half = full / 2;
    BYTE* out = d.make<BYTE>(kHeaderSize + 2 * full + 5 * half);
    out = putHeader(out, PRIVATEKEYBLOB, RSA2_MAGIC, static_cast<DWORD>(full * 8), exponent);
    out = put(out, modulus, full);
    for (int i = 1; i <= 5; ++i) out = put(out, numbers[i], half);
    put(out, numbers[0], full);
}

}  // namespace platform::crypt::codecs

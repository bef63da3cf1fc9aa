// rsa_private_key.cpp: PKCS#1 RSAPrivateKey and PRIVATEKEYBLOB.
#include "rsa_private_key.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/decoded_object.h"
#include "encode_steps.h"
#include "enroll_report.h"
#include "win32/crypt_encode.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace {

using Number = std::vector<BYTE>;
using Member = Number RsaKeyNumbers::*;

constexpr DWORD kKeyVersion = 0;
// The integers after the version, in the order of an RSAPrivateKey.
constexpr std::array<Member, 8> kPkcs1Order = {&RsaKeyNumbers::n,  &RsaKeyNumbers::e,  &RsaKeyNumbers::d,
                                               &RsaKeyNumbers::p,  &RsaKeyNumbers::q,  &RsaKeyNumbers::dp,
                                               &RsaKeyNumbers::dq, &RsaKeyNumbers::iq};
// The numbers after the RSAPUBKEY, in the order of a PRIVATEKEYBLOB; the
// modulus and the private exponent take a whole modulus width, the others
// half of it.
struct BlobPlace {
    Member number;
    bool half;
};
constexpr std::array<BlobPlace, 7> kBlobOrder = {{{&RsaKeyNumbers::n, false},
                                                   {&RsaKeyNumbers::p, true},
                                                   {&RsaKeyNumbers::q, true},
                                                   {&RsaKeyNumbers::dp, true},
                                                   {&RsaKeyNumbers::dq, true},
                                                   {&RsaKeyNumbers::iq, true},
                                                   {&RsaKeyNumbers::d, false}}};

std::size_t placeWidth(DWORD bits, bool half) {
    const std::size_t wide = bits;
    return half ? (wide + 15) / 16 : (wide + 7) / 8;
}

Number trimmed(Number number) {
    while (!number.empty() && number.back() == 0) number.pop_back();
    return number;
}

bool refused(int line) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FailedAt(line);
}

bool decodeAt(LPCSTR type, const BYTE* data, DWORD size, RecordBuffer& out, int sizeLine, int valueLine) {
    DWORD needed = 0;
    if (!CryptDecodeObject(kCertEncoding, type, data, size, 0, nullptr, &needed)) return FailedAt(sizeLine);
    RecordBuffer record(needed);
    if (!CryptDecodeObject(kCertEncoding, type, data, size, 0, record.data(), &needed)) return FailedAt(valueLine);
    out = std::move(record);
    return true;
}

// A positive INTEGER: a zero byte above a most significant byte whose top
// bit is set, so that it does not read as negative.
bool encodeInteger(const Number& number, std::vector<BYTE>& out) {
    Number value = trimmed(number);
    if (value.empty() || (value.back() & 0x80)) value.push_back(0);
    CRYPT_INTEGER_BLOB blob{static_cast<DWORD>(value.size()), value.data()};
    return EncodeStep(X509_MULTI_BYTE_INTEGER, &blob, out, 1263, 1265);
}

Number littleEndian(DWORD value) {
    Number out;
    for (; value != 0; value >>= 8) out.push_back(static_cast<BYTE>(value & 0xFF));
    return out;
}

template <class Record>
void appendRecord(std::vector<BYTE>& out, const Record& record) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&record);
    out.insert(out.end(), bytes, bytes + sizeof record);
}

}  // namespace

bool DecodeRsaPrivateKey(const std::vector<BYTE>& der, RsaKeyNumbers& out) {
    RecordBuffer sequence;
    if (!decodeAt(X509_SEQUENCE_OF_ANY, der.data(), static_cast<DWORD>(der.size()), sequence, 1061, 1063))
        return false;
    const auto& elements = sequence.as<CRYPT_SEQUENCE_OF_ANY>();
    if (elements.cValue != kPkcs1Order.size() + 1) return refused(1066);
    RsaKeyNumbers key;
    for (std::size_t i = 0; i < kPkcs1Order.size(); ++i) {
        const CRYPT_DER_BLOB& element = elements.rgValue[i + 1];
        RecordBuffer value;
        if (!decodeAt(X509_MULTI_BYTE_UINT, element.pbData, element.cbData, value, 1070, 1072)) return false;
        const auto& number = value.as<CRYPT_UINT_BLOB>();
        key.*kPkcs1Order[i] = trimmed(Number(number.pbData, number.pbData + number.cbData));
    }
    out = std::move(key);
    return true;
}

bool EncodeRsaPrivateKey(const RsaKeyNumbers& key, std::vector<BYTE>& der) {
    std::vector<std::vector<BYTE>> integers(kPkcs1Order.size() + 1);
    if (!encodeInteger(littleEndian(kKeyVersion), integers[0])) return false;
    for (std::size_t i = 0; i < kPkcs1Order.size(); ++i)
        if (!encodeInteger(key.*kPkcs1Order[i], integers[i + 1])) return false;
    std::vector<CRYPT_DER_BLOB> elements;
    for (std::vector<BYTE>& integer : integers)
        elements.push_back({static_cast<DWORD>(integer.size()), integer.data()});
    const CRYPT_SEQUENCE_OF_ANY sequence{static_cast<DWORD>(elements.size()), elements.data()};
    return EncodeStep(X509_SEQUENCE_OF_ANY, &sequence, der, 1270, 1272);
}

bool MakePrivateKeyBlob(const RsaKeyNumbers& key, ALG_ID algorithm, std::vector<BYTE>& blob) {
    // The blob keeps the public exponent in 32 bits.
    if (key.e.size() > sizeof(DWORD) || key.n.empty()) return refused(1066);
    DWORD exponent = 0;
    for (auto it = key.e.rbegin(); it != key.e.rend(); ++it) exponent = (exponent << 8) | *it;
    const DWORD bits = static_cast<DWORD>(8 * key.n.size());

    std::vector<BYTE> out;
    appendRecord(out, BLOBHEADER{PRIVATEKEYBLOB, CUR_BLOB_VERSION, 0, algorithm});
    appendRecord(out, RSAPUBKEY{RSA2_MAGIC, bits, exponent});
    for (const BlobPlace& place : kBlobOrder) {
        const Number& number = key.*place.number;
        const std::size_t width = placeWidth(bits, place.half);
        if (number.size() > width) return refused(1066);
        out.insert(out.end(), number.begin(), number.end());
        out.resize(out.size() + width - number.size(), 0);
    }
    blob = std::move(out);
    return true;
}

bool ReadPrivateKeyBlob(const std::vector<BYTE>& blob, RsaKeyNumbers& out) {
    constexpr std::size_t kHeaders = sizeof(BLOBHEADER) + sizeof(RSAPUBKEY);
    if (blob.size() < kHeaders) return false;
    RSAPUBKEY rsa{};
    std::memcpy(&rsa, blob.data() + sizeof(BLOBHEADER), sizeof rsa);
    std::size_t needed = kHeaders;
    for (const BlobPlace& place : kBlobOrder) needed += placeWidth(rsa.bitlen, place.half);
    if (blob.size() < needed) return false;

    RsaKeyNumbers key;
    key.e = littleEndian(rsa.pubexp);
    auto at = blob.begin() + static_cast<std::ptrdiff_t>(kHeaders);
    for (const BlobPlace& place : kBlobOrder) {
        const auto end = at + static_cast<std::ptrdiff_t>(placeWidth(rsa.bitlen, place.half));
        key.*place.number = trimmed(Number(at, end));
        at = end;
    }
    out = std::move(key);
    return true;
}

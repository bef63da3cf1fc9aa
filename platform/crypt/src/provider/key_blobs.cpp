#include "key_blobs.h"

#include <algorithm>
#include <cstring>

#include "platform/win_error.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr DWORD kMinBlobBits = 384;
constexpr DWORD kMaxBlobBits = 16384;

std::size_t fullBytes(DWORD bits) { return (bits + 7) / 8; }
std::size_t halfBytes(DWORD bits) { return (bits + 15) / 16; }

// Appends a big-endian number as `size` little-endian bytes.
void appendLittle(Bytes& out, const Bytes& bigEndian, std::size_t size) {
    if (bigEndian.size() > size) throw WinError(NTE_BAD_KEY, "a key number does not fit the blob layout");
    const std::size_t at = out.size();
    out.resize(at + size, 0);
    std::reverse_copy(bigEndian.begin(), bigEndian.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Reads `size` little-endian bytes as a big-endian number.
Bytes takeLittle(View& rest, std::size_t size) {
    const auto end = rest.begin() + static_cast<std::ptrdiff_t>(size);
    Bytes out(std::make_reverse_iterator(end), std::make_reverse_iterator(rest.begin()));
    rest = rest.subspan(size);
    return out;
}

template <class T>
void appendRecord(Bytes& out, const T& record) {
    const auto* p = reinterpret_cast<const BYTE*>(&record);
    out.insert(out.end(), p, p + sizeof record);
}

Bytes exportBlob(const EVP_PKEY& key, ALG_ID algorithm, bool withPrivate) {
    const RsaNumbers numbers = rsaNumbersOf(key, withPrivate);
    const DWORD bits = rsaBits(key);
    if (numbers.e.size() > sizeof(DWORD)) throw WinError(NTE_BAD_KEY, "the public exponent is wider than 32 bits");
    DWORD exponent = 0;
    for (const BYTE b : numbers.e) exponent = (exponent << 8) | b;

    Bytes out;
    appendRecord(out, BLOBHEADER{withPrivate ? PRIVATEKEYBLOB : PUBLICKEYBLOB, CUR_BLOB_VERSION, 0, algorithm});
    appendRecord(out, RSAPUBKEY{withPrivate ? RSA2_MAGIC : RSA1_MAGIC, bits, exponent});
    appendLittle(out, numbers.n, fullBytes(bits));
    if (withPrivate) {
        for (const Bytes* half : {&numbers.p, &numbers.q, &numbers.dp, &numbers.dq, &numbers.qinv})
            appendLittle(out, *half, halfBytes(bits));
        appendLittle(out, numbers.d, fullBytes(bits));
    }
    return out;
}

}  // namespace

Bytes exportPublicBlob(const EVP_PKEY& key, ALG_ID algorithm) { return exportBlob(key, algorithm, false); }
Bytes exportPrivateBlob(const EVP_PKEY& key, ALG_ID algorithm) { return exportBlob(key, algorithm, true); }

ImportedBlob importBlob(View blob) {
    BLOBHEADER header{};
    RSAPUBKEY rsa{};
    if (blob.size() < sizeof header) throw WinError(NTE_BAD_DATA, "key blob shorter than its header");
    std::memcpy(&header, blob.data(), sizeof header);
    if (header.bType != PUBLICKEYBLOB && header.bType != PRIVATEKEYBLOB)
        throw WinError(NTE_BAD_TYPE, "key blob type " + std::to_string(header.bType));
    if (header.bVersion != CUR_BLOB_VERSION) throw WinError(NTE_BAD_VER, "key blob version");
    if (header.aiKeyAlg != CALG_RSA_SIGN && header.aiKeyAlg != CALG_RSA_KEYX)
        throw WinError(NTE_BAD_ALGID, "key blob of algorithm " + std::to_string(header.aiKeyAlg));
    const bool withPrivate = header.bType == PRIVATEKEYBLOB;

    View rest = blob.subspan(sizeof header);
    if (rest.size() < sizeof rsa) throw WinError(NTE_BAD_DATA, "key blob without RSAPUBKEY");
    std::memcpy(&rsa, rest.data(), sizeof rsa);
    rest = rest.subspan(sizeof rsa);
    if (rsa.magic != (withPrivate ? RSA2_MAGIC : RSA1_MAGIC)) throw WinError(NTE_BAD_DATA, "key blob magic");
    if (rsa.bitlen < kMinBlobBits || rsa.bitlen > kMaxBlobBits || rsa.pubexp == 0)
        throw WinError(NTE_BAD_DATA, "key blob bit length or exponent");
    const std::size_t needed = fullBytes(rsa.bitlen) * (withPrivate ? 2 : 1) + (withPrivate ? 5 * halfBytes(rsa.bitlen) : 0);
    if (rest.size() < needed) throw WinError(NTE_BAD_DATA, "key blob shorter than its bit length");

    RsaNumbers numbers;
    for (DWORD e = rsa.pubexp; e; e >>= 8) numbers.e.insert(numbers.e.begin(), static_cast<BYTE>(e & 0xFF));
    numbers.n = takeLittle(rest, fullBytes(rsa.bitlen));
    if (withPrivate) {
        for (Bytes* half : {&numbers.p, &numbers.q, &numbers.dp, &numbers.dq, &numbers.qinv})
            *half = takeLittle(rest, halfBytes(rsa.bitlen));
        numbers.d = takeLittle(rest, fullBytes(rsa.bitlen));
    }
    return ImportedBlob{header.bType, header.aiKeyAlg, rsaKeyFrom(numbers)};
}

}  // namespace platform::crypt::provider

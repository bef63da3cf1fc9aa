// Helpers of the crypt tests: hex text, CryptEncodeObjectEx and
// CryptDecodeObjectEx in one call each, and DER made by OpenSSL from an
// asn1parse -genconf description, to compare our bytes with.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win32/crypt_encode.h"
#include "win32/error.h"
#include "win32/memory.h"

namespace crypt_test {

using Bytes = std::vector<BYTE>;

Bytes fromHex(std::string_view hex);  // spaces are ignored
std::string hex(const Bytes& bytes);  // upper case, no spaces

struct LocalFreer {
    void operator()(void* p) const noexcept { LocalFree(p); }
};

// A decoded record in its LocalAlloc block.
template <class T>
using Decoded = std::unique_ptr<T, LocalFreer>;

// The encoding, or empty with the test failed.
Bytes encode(LPCSTR type, const void* info, DWORD flags = 0);
// The record, or null with the test failed.
template <class T>
Decoded<T> decode(LPCSTR type, const Bytes& der, DWORD flags = 0) {
    void* block = nullptr;
    DWORD size = 0;
    const BOOL ok = CryptDecodeObjectEx(X509_ASN_ENCODING, type, der.data(), static_cast<DWORD>(der.size()),
                                        flags | CRYPT_DECODE_ALLOC_FLAG, nullptr, &block, &size);
    EXPECT_TRUE(ok) << "decode failed with 0x" << std::hex << GetLastError();
    return Decoded<T>(ok ? static_cast<T*>(block) : nullptr);
}
// The error a decode fails with (0 when it succeeds).
DWORD decodeError(LPCSTR type, const Bytes& der, DWORD flags = 0);

// Decoding `der` and encoding the record again gives `der` back.
void expectRoundTrip(LPCSTR type, const Bytes& der);

// DER that OpenSSL makes from an asn1parse -genconf text ("asn1=SEQUENCE:s ...").
Bytes opensslGenconf(const std::string& conf);

inline Bytes bytesOf(const CRYPTOAPI_BLOB& b) { return Bytes(b.pbData, b.pbData + b.cbData); }
inline CRYPTOAPI_BLOB blobOf(const Bytes& b) { return {static_cast<DWORD>(b.size()), const_cast<BYTE*>(b.data())}; }

}  // namespace crypt_test

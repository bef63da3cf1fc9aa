// The body every decoder fuzz target shares: decode the input as each of the
// given structure types, in copying and no-copy mode, and encode what
// decodes back again. A clean refusal is the expected outcome; crashes,
// hangs, leaks and unbounded allocations are the bugs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "win32/crypt_encode.h"
#include "win32/memory.h"

namespace crypt_fuzz {

inline void decodeAll(std::initializer_list<LPCSTR> types, const std::uint8_t* data, std::size_t size) {
    for (LPCSTR type : types) {
        for (DWORD flags : {DWORD{0}, CRYPT_DECODE_NOCOPY_FLAG}) {
            void* record = nullptr;
            DWORD cb = 0;
            if (!CryptDecodeObjectEx(X509_ASN_ENCODING, type, data, static_cast<DWORD>(size),
                                     flags | CRYPT_DECODE_ALLOC_FLAG, nullptr, &record, &cb))
                continue;
            BYTE* encoded = nullptr;
            DWORD encodedSize = 0;
            if (CryptEncodeObjectEx(X509_ASN_ENCODING, type, record, CRYPT_ENCODE_ALLOC_FLAG, nullptr, &encoded,
                                    &encodedSize))
                LocalFree(encoded);
            LocalFree(record);
        }
    }
}

}  // namespace crypt_fuzz

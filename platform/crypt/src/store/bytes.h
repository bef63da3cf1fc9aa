// Byte strings inside the store area, and the few things done with them.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "win32/crypt_types.h"

namespace platform::crypt::store {

using Bytes = std::vector<BYTE>;
using View = std::span<const BYTE>;

// The bytes of a CryptoAPI blob; an empty view for a null or empty one.
inline View viewOf(const CRYPTOAPI_BLOB& blob) {
    return blob.pbData && blob.cbData ? View(blob.pbData, blob.cbData) : View();
}
inline View viewOf(const CRYPT_BIT_BLOB& blob) {
    return blob.pbData && blob.cbData ? View(blob.pbData, blob.cbData) : View();
}

inline bool sameBytes(View a, View b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Upper-case hexadecimal, as the registry keys of the system stores are named.
std::u16string hexUpper(View bytes);

}  // namespace platform::crypt::store

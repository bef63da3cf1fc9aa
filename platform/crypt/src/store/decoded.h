// Structures decoded and encoded through CryptDecodeObjectEx and
// CryptEncodeObjectEx, owned from the line that receives them.
#pragma once

#include "platform/owned.h"
#include "store/bytes.h"
#include "win32/memory.h"

namespace platform::crypt::store {

inline constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

template <class T>
using Decoded = Owned<T, LocalFree>;

// The decoder's block; its error (CRYPT_E_ASN1_* ...) is thrown as it stands.
void* decodeBlock(LPCSTR structType, View encoded, DWORD flags);

template <class T>
Decoded<T> decodeObject(LPCSTR structType, View encoded, DWORD flags = 0) {
    return Decoded<T>(static_cast<T*>(decodeBlock(structType, encoded, flags)));
}

// For structure types whose result is bytes (RSA_CSP_PUBLICKEYBLOB).
Bytes decodeToBytes(LPCSTR structType, View encoded);

Bytes encodeObject(LPCSTR structType, const void* structInfo);

}  // namespace platform::crypt::store

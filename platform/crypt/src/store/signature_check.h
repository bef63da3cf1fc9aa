// The check of a certificate's signature by its issuer's key, and the size
// of keys other than RSA: the one place the store area uses OpenSSL. Old material (MD5, SHA-1, 1024-bit keys) must
// still verify, so no security level is applied.
#pragma once

#include <string_view>

#include "store/bytes.h"

namespace platform::crypt::store {

// False for a signature that does not verify, a key that does not decode or
// a signature algorithm other than RSA with MD5, SHA-1 or SHA-2.
// `signature` is big-endian, as it stands in the DER.
bool signatureVerifies(std::string_view algorithmOid, View signedBytes, View signature, View subjectPublicKeyInfo);

// The size in bits of the key in a DER SubjectPublicKeyInfo (an EC key's
// curve size, an RSA-PSS key's modulus); 0 for a key OpenSSL cannot read.
DWORD keyBitsOf(View subjectPublicKeyInfo);

}  // namespace platform::crypt::store

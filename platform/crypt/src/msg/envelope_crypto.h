// The cryptography of enveloped messages: fresh content keys, RC2 and
// triple-DES in CBC mode, and the content key encrypted for a recipient's
// RSA key. The one place the message code uses OpenSSL; RC2 is one of
// OpenSSL's legacy algorithms, fetched from a library context of its own
// with the legacy provider loaded, so the rest of the process keeps the
// default algorithms only.
#pragma once

#include "der/der.h"

namespace platform::crypt::msg::envelope {

der::Bytes randomBytes(std::size_t count);

// CBC with PKCS #5 padding. RC2's key is as long as effectiveBits / 8.
der::Bytes encryptRc2Cbc(der::View key, DWORD effectiveBits, der::View iv, der::View plain);
der::Bytes encryptDes3Cbc(der::View key, der::View iv, der::View plain);

// PKCS #1 v1.5 encryption for the RSA key of a SubjectPublicKeyInfo;
// NTE_BAD_PUBLIC_KEY for a key that is not RSA or does not decode.
der::Bytes encryptForKey(der::View subjectPublicKeyInfo, der::View contentKey);

}  // namespace platform::crypt::msg::envelope

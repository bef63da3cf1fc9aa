// Comparisons the store area makes of certificates, in the ways
// CertCompareCertificate and CertComparePublicKeyInfo define them.
#pragma once

#include "store/bytes.h"

namespace platform::crypt::store {

// Little-endian integers as numbers: redundant high-order sign bytes do not count.
bool sameInteger(View a, View b);
// Issuer name and serial number.
bool sameCertId(const CERT_INFO& a, const CERT_INFO& b);
bool samePublicKey(const CERT_PUBLIC_KEY_INFO& a, const CERT_PUBLIC_KEY_INFO& b);
// The PUBLICKEYBLOB of an RSA key info: CRYPT_E_ASN1_* when the key is not one.
Bytes rsaPublicKeyBlobOf(const CERT_PUBLIC_KEY_INFO& info);

}  // namespace platform::crypt::store

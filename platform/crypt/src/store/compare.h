// Comparisons the store area makes of certificates, in the ways
// CertCompareCertificate and CertComparePublicKeyInfo define them.
#pragma once

#include "store/bytes.h"

namespace platform::crypt::store {

// Little-endian integers as numbers: redundant high-order sign bytes do not count.
bool sameInteger(View a, View b);
// Issuer name and serial number; or, where one side names a signer by its
// key identifier as CryptoAPI does (szOID_KEYID_RDN), that identifier
// against the other side's key.
bool sameCertId(const CERT_INFO& a, const CERT_INFO& b);
// The key identifier names the certificate: its subject key identifier (or
// CryptoAPI's digest of its key info), or the SHA-1 of its key bits.
bool keyIdentifies(View keyId, const CERT_INFO& certificate);
bool samePublicKey(const CERT_PUBLIC_KEY_INFO& a, const CERT_PUBLIC_KEY_INFO& b);
// The PUBLICKEYBLOB of an RSA key info: CRYPT_E_ASN1_* when the key is not one.
Bytes rsaPublicKeyBlobOf(const CERT_PUBLIC_KEY_INFO& info);

}  // namespace platform::crypt::store

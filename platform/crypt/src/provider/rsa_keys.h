// RSA keys over OpenSSL: generation, raw PKCS #1 v1.5 signatures (the
// caller builds the DigestInfo), their storage form and their numbers.
#pragma once

#include <span>
#include <vector>

#include "openssl_types.h"

namespace platform::crypt::provider {

using Bytes = std::vector<BYTE>;
using View = std::span<const BYTE>;

// Exponent 65537. NTE_BAD_FLAGS for a length OpenSSL refuses.
PKey generateRsa(DWORD bits);
DWORD rsaBits(const EVP_PKEY& key);
// Big-endian signature of the bytes as given, with block type 1 padding.
Bytes signPkcs1(const EVP_PKEY& key, View input);
// False when the big-endian signature does not cover the bytes.
bool verifyPkcs1(const EVP_PKEY& key, View input, View signature);

// PKCS #1 RSAPrivateKey, the form container files keep.
Bytes privateKeyDer(const EVP_PKEY& key);
// Throws WinError(failureCode) when the bytes are not an RSA private key.
PKey privateKeyFromDer(View der, DWORD failureCode);

// The numbers of a key, big-endian without leading zeros; absent ones empty.
struct RsaNumbers {
    Bytes n, e, d, p, q, dp, dq, qinv;
};
RsaNumbers rsaNumbersOf(const EVP_PKEY& key, bool withPrivate);
// A public key from n and e, or a key pair when d and the CRT numbers are
// given; NTE_BAD_DATA when OpenSSL refuses them or a key pair is not one.
PKey rsaKeyFrom(const RsaNumbers& numbers);

}  // namespace platform::crypt::provider

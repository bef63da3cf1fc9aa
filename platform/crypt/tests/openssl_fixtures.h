// Values made by OpenSSL's C API for the tests to compare with. Kept apart
// from the CryptoAPI headers: OpenSSL and CryptoAPI both name X509_NAME.
#pragma once

#include <cstdint>
#include <vector>

namespace crypt_test::openssl {

using Bytes = std::vector<std::uint8_t>;

struct RsaKey {
    Bytes publicKey;   // PKCS #1 RSAPublicKey
    Bytes privateKey;  // PKCS #1 RSAPrivateKey
    // Big-endian numbers.
    Bytes n, d, p, coefficient;
};
RsaKey rsaKey(unsigned bits);

// A v2 CRL signed by a fresh key: issuer CN=Test CA, this update
// 1700000000 (Unix time), next update a week later, serials 0x1234 and 0x80
// revoked with the reason keyCompromise.
Bytes signedCrl();

}  // namespace crypt_test::openssl

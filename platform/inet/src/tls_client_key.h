// A private key that OpenSSL can use for the client's TLS signature while
// the key itself stays in its CryptoAPI provider.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include "transfer.h"

namespace platform::inet {

// An RSA key with the certificate's public half whose signatures are made
// by credential.sign; null when the certificate's key is not RSA. The
// credential must outlive the key.
EVP_PKEY* providerBackedKey(X509* certificate, const ClientCredential& credential);

}  // namespace platform::inet

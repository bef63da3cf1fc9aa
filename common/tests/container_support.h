// Key containers with certificates on their keys, made through CryptoAPI in
// the provider the test names, and the certificates to put there.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "testkit/pki.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"

namespace container_support {

namespace pki = testkit::pki;

inline const std::string kStrong = MS_STRONG_PROV_A;
inline const std::string kAes = MS_ENH_RSA_AES_PROV_A;

// A certificate for a key container; its own key does not matter, since a
// provider keeps whatever certificate it is given on a key.
inline pki::Certificate keyCertificate(const std::string& commonName) {
    return pki::CertificateBuilder().subject(pki::Name{{"CN", commonName}}).build().certificate;
}

// Creates the container with a 1,024-bit key of each given spec and the
// certificate on it; pin, when not empty, is the card's user PIN.
inline void makeContainer(const std::string& provider, DWORD type, const std::string& container,
                          const pki::Certificate* exchange, const pki::Certificate* signature,
                          const std::string& pin = "") {
    HCRYPTPROV handle = 0;
    ASSERT_TRUE(CryptAcquireContextA(&handle, container.c_str(), provider.c_str(), type, CRYPT_NEWKEYSET))
        << std::hex << GetLastError();
    if (!pin.empty()) {
        ASSERT_TRUE(CryptSetProvParam(handle, PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin.c_str()), 0));
    }
    for (const auto& [spec, certificate] : {std::pair{AT_KEYEXCHANGE, exchange}, std::pair{AT_SIGNATURE, signature}}) {
        if (!certificate) continue;
        HCRYPTKEY key = 0;
        ASSERT_TRUE(CryptGenKey(handle, spec, 1024u << 16, &key)) << std::hex << GetLastError();
        EXPECT_TRUE(CryptSetKeyParam(key, KP_CERTIFICATE, certificate->der().data(), 0)) << std::hex << GetLastError();
        CryptDestroyKey(key);
    }
    CryptReleaseContext(handle, 0);
}

}  // namespace container_support

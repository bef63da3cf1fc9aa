// Certificates of the testkit PKI as CryptoAPI contexts and description
// records, and what `openssl x509` says about them, for the certificate
// tests of this folder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "common/cert_info.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_store.h"

namespace certificate_support {

namespace pki = testkit::pki;

struct FreeContext {
    void operator()(PCCERT_CONTEXT context) const noexcept { CertFreeCertificateContext(context); }
};
using Context = std::unique_ptr<const CERT_CONTEXT, FreeContext>;

// Adds the certificate to the store; with a provider, bound to a key in its
// container "container" (PROV_RSA_FULL, signature key).
inline void addCertificate(HCERTSTORE store, const pki::Certificate& certificate, const char16_t* provider = nullptr) {
    const auto& der = certificate.der();
    PCCERT_CONTEXT added = nullptr;
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                 CERT_STORE_ADD_ALWAYS, &added));
    if (provider) {
        std::u16string container = u"container", name = provider;
        CRYPT_KEY_PROV_INFO key{};
        key.pwszContainerName = container.data();
        key.pwszProvName = name.data();
        key.dwProvType = PROV_RSA_FULL;
        key.dwKeySpec = AT_SIGNATURE;
        EXPECT_TRUE(CertSetCertificateContextProperty(added, CERT_KEY_PROV_INFO_PROP_ID, 0, &key));
    }
    CertFreeCertificateContext(added);
}

// The current user's system store of that name ("MY", "AddressBook"...).
inline OwnedCertStore userStore(const char16_t* name) {
    return OwnedCertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name));
}

inline Context contextOf(const pki::Certificate& certificate) {
    const auto& der = certificate.der();
    return Context(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                                static_cast<DWORD>(der.size())));
}

inline CertInfo infoOf(const pki::Certificate& certificate) {
    CertInfo info;
    TCryptoapi::CertInfoFromDer(certificate.der(), info);
    return info;
}

inline FILETIME fileTimeOf(pki::Instant instant) {
    const auto seconds = static_cast<ULONGLONG>(instant.time_since_epoch().count());
    const ULONGLONG value = (seconds + 11644473600ull) * 10000000ull;
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// `openssl x509 -text` of the certificate, or the output of other options.
inline std::string openssl(const testkit::PlatformRoot& root, const pki::Certificate& certificate,
                           std::vector<std::string> options = {"-text"}) {
    const auto file = root.write("peer.der", std::string(certificate.der().begin(), certificate.der().end()));
    std::vector<std::string> argv = {"openssl", "x509", "-inform", "DER", "-noout", "-in", file.string()};
    argv.insert(argv.end(), options.begin(), options.end());
    return testkit::run(argv).out;
}

// The line after the one that holds header, without its indentation.
inline std::string lineAfter(const std::string& text, const std::string& header) {
    const auto at = text.find(header);
    if (at == std::string::npos) return {};
    const auto start = text.find('\n', at) + 1;
    const auto end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    line.erase(0, line.find_first_not_of(' '));
    return line;
}

// "8A:BC:de" as "8abcde".
inline std::string plainHex(std::string colonHex) {
    colonHex.erase(std::remove(colonHex.begin(), colonHex.end(), ':'), colonHex.end());
    std::transform(colonHex.begin(), colonHex.end(), colonHex.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return colonHex;
}

// A CA whose name carries the given common name.
inline pki::Credential authority(const std::string& commonName) {
    return pki::CertificateBuilder()
        .subject(pki::Name{{"C", "CZ", pki::StringType::Printable}, {"O", "Tesk a.s."}, {"CN", commonName}})
        .basicConstraints({.ca = true})
        .keyUsage(pki::kKeyCertSign | pki::kCrlSign)
        .build();
}

inline pki::CertificateBuilder userIssuedBy(const pki::Credential& issuer, const std::string& commonName) {
    pki::CertificateBuilder builder;
    builder.subject(pki::Name{{"C", "CZ", pki::StringType::Printable}, {"CN", commonName}}).issuedBy(issuer);
    return builder;
}

}  // namespace certificate_support

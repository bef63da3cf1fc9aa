// Fixtures of the chain tests: testkit's hierarchy installed in the user's
// stores of a fresh platform root, chains built and freed in one call, and
// the element statuses and policy results the tests compare.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "last_error_code.h"
#include "platform/clock.h"
#include "store_fixture.h"
#include "testkit/pki.h"
#include "win32/crypt_chain.h"

namespace chain_test {

using store_test::Cert;
using store_test::Store;
using testkit::pki::Credential;
using testkit::pki::Hierarchy;

struct ChainFreer {
    void operator()(PCCERT_CHAIN_CONTEXT c) const noexcept { CertFreeCertificateChain(c); }
};
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFreer>;

inline Cert certOf(const Credential& c) {
    return store_test::certOf(c.certificate.der());
}

struct Request {
    DWORD flags = 0;
    const FILETIME* time = nullptr;
    HCERTSTORE additional = nullptr;
    std::vector<LPSTR> usages;
    DWORD usageType = USAGE_MATCH_TYPE_AND;
    HCERTCHAINENGINE engine = HCCE_CURRENT_USER;
};

inline const CERT_SIMPLE_CHAIN& simpleOf(const Chain& chain) {
    return *chain->rgpChain[0];
}
inline const CERT_CHAIN_ELEMENT& elementOf(const Chain& chain, DWORD i) {
    return *simpleOf(chain).rgpElement[i];
}

struct PolicyResult {
    DWORD error;
    LONG chainIndex;
    LONG elementIndex;
    bool operator==(const PolicyResult&) const = default;
    friend void PrintTo(const PolicyResult& r, std::ostream* os) {
        *os << "{0x" << std::hex << r.error << std::dec << ", " << r.chainIndex << ", " << r.elementIndex << "}";
    }
};

inline void addCertificate(const char16_t* store, const testkit::pki::Certificate& cert,
                           DWORD location = CERT_SYSTEM_STORE_CURRENT_USER) {
    const Store s = store_test::systemStore(store, location);
    ASSERT_TRUE(s);
    ASSERT_TRUE(CertAddEncodedCertificateToStore(s.get(), X509_ASN_ENCODING, cert.der().data(),
                                                 static_cast<DWORD>(cert.der().size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                 nullptr))
        << std::hex << GetLastError();
}

inline void addCrl(const char16_t* store, const testkit::pki::Crl& crl,
                   DWORD location = CERT_SYSTEM_STORE_CURRENT_USER) {
    const Store s = store_test::systemStore(store, location);
    ASSERT_TRUE(s);
    ASSERT_TRUE(CertAddEncodedCRLToStore(s.get(), X509_ASN_ENCODING, crl.der().data(),
                                         static_cast<DWORD>(crl.der().size()), CERT_STORE_ADD_ALWAYS, nullptr))
        << std::hex << GetLastError();
}

// The root into the user's "Root" store, both CAs into "CA".
inline void install(const Hierarchy& pki) {
    addCertificate(u"Root", pki.root.certificate);
    addCertificate(u"CA", pki.qualifiedCa.certificate);
    addCertificate(u"CA", pki.standardCa.certificate);
}

// The chain, or null with the test failed.
inline Chain chainOf(PCCERT_CONTEXT cert, const Request& request = {}) {
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof(para);
    para.RequestedUsage.dwType = request.usageType;
    para.RequestedUsage.Usage.cUsageIdentifier = static_cast<DWORD>(request.usages.size());
    para.RequestedUsage.Usage.rgpszUsageIdentifier = const_cast<LPSTR*>(request.usages.data());
    FILETIME time{};
    if (request.time) time = *request.time;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    EXPECT_TRUE(CertGetCertificateChain(request.engine, cert, request.time ? &time : nullptr, request.additional, &para,
                                        request.flags, nullptr, &chain))
        << std::hex << GetLastError();
    return Chain(chain);
}

inline Chain chainOf(const Credential& credential, const Request& request = {}) {
    const Cert cert = certOf(credential);
    return chainOf(cert.get(), request);
}

// Per element, the certificate first.
inline std::vector<DWORD> errorsOf(const Chain& chain) {
    std::vector<DWORD> errors;
    for (DWORD i = 0; i < simpleOf(chain).cElement; ++i)
        errors.push_back(elementOf(chain, i).TrustStatus.dwErrorStatus);
    return errors;
}

inline std::vector<DWORD> infosOf(const Chain& chain) {
    std::vector<DWORD> infos;
    for (DWORD i = 0; i < simpleOf(chain).cElement; ++i) infos.push_back(elementOf(chain, i).TrustStatus.dwInfoStatus);
    return infos;
}

inline PolicyResult policyOf(const Chain& chain, LPCSTR policy = CERT_CHAIN_POLICY_BASE, DWORD flags = 0) {
    CERT_CHAIN_POLICY_PARA para{sizeof(para), flags, nullptr};
    CERT_CHAIN_POLICY_STATUS status{sizeof(status), 0xDEAD, 7, 7, nullptr};
    EXPECT_TRUE(CertVerifyCertificateChainPolicy(policy, chain.get(), &para, &status)) << std::hex << GetLastError();
    return {status.dwError, status.lChainIndex, status.lElementIndex};
}

inline FILETIME fileTimeOf(testkit::pki::Instant when) {
    const auto ticks =
        static_cast<ULONGLONG>(when.time_since_epoch().count()) * 10000000ull + platform::clock::kUnixEpochAsFileTime;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// A fresh platform root and hierarchy, nothing in the stores.
class BareChainTest : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
    Hierarchy pki = Hierarchy::make();
};

// The same with the hierarchy installed.
class ChainTest : public BareChainTest {
protected:
    void SetUp() override { install(pki); }
};

}  // namespace chain_test

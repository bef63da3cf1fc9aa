// Revocation: CRLs fetched from the distribution points on a local HTTP
// server, or found in the stores; revoked, unreachable and hostile cases;
// which certificates the flags ask about; the process's CRL cache.
#include <gmock/gmock.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "chain_fixture.h"
#include "testkit/http_server.h"

using namespace chain_test;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testkit::HttpReply;
using testkit::pki::CrlBuilder;
using testkit::pki::fromNow;
using testkit::pki::RevocationReason;

namespace {

constexpr DWORD kEndCert = CERT_CHAIN_REVOCATION_CHECK_END_CERT;
constexpr DWORD kExcludeRoot = CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
constexpr DWORD kOffline = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

HttpReply crlReply(const testkit::pki::Crl& crl) {
    return HttpReply{.body = std::string(crl.der().begin(), crl.der().end())};
}

testkit::Bytes encodingOf(PCCRL_CONTEXT crl) {
    return {crl->pbCrlEncoded, crl->pbCrlEncoded + crl->cbCrlEncoded};
}

int reasonOf(const CRL_ENTRY& entry) {
    const CERT_EXTENSION* ext = CertFindExtension(szOID_CRL_REASON_CODE, entry.cExtension, entry.rgExtension);
    if (!ext) return -1;
    int reason = -1;
    DWORD size = sizeof(reason);
    EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_CRL_REASON_CODE, ext->Value.pbData, ext->Value.cbData, 0,
                                  &reason, &size));
    return reason;
}

class RevocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        install(pki);
        server->route("/root.crl", crlReply(rootCrl));
        server->route("/standard-ca.crl", crlReply(standardCrl));
    }

    std::size_t requestsFor(const std::string& target) const {
        std::size_t n = 0;
        for (const auto& r : server->requests()) n += r.target == target;
        return n;
    }

    testkit::PlatformRoot root;
    std::optional<testkit::HttpServer> server{std::in_place};
    Hierarchy pki = Hierarchy::make({.crlBaseUrl = server->url("")});
    testkit::pki::Crl rootCrl = CrlBuilder(pki.root).build();
    testkit::pki::Crl standardCrl = CrlBuilder(pki.standardCa).build();
};

}  // namespace

TEST_F(RevocationTest, CrlsFromTheDistributionPointsClearTheChain) {
    const Chain chain = chainOf(pki.commercial, {.flags = kExcludeRoot});
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, 0u, 0u));
    EXPECT_EQ((PolicyResult{0, -1, -1}), policyOf(chain));

    const CERT_REVOCATION_INFO* user = elementOf(chain, 0).pRevocationInfo;
    ASSERT_TRUE(user && user->pCrlInfo);
    EXPECT_EQ(0u, user->dwRevocationResult);
    EXPECT_EQ(standardCrl.der(), encodingOf(user->pCrlInfo->pBaseCrlContext));
    EXPECT_EQ(nullptr, user->pCrlInfo->pCrlEntry);
    EXPECT_TRUE(user->fHasFreshnessTime);
    EXPECT_NEAR(3600.0, user->dwFreshnessTime, 120.0);  // testkit's CRLs are an hour old
    ASSERT_TRUE(elementOf(chain, 1).pRevocationInfo);
    EXPECT_EQ(rootCrl.der(), encodingOf(elementOf(chain, 1).pRevocationInfo->pCrlInfo->pBaseCrlContext));
    EXPECT_EQ(nullptr, elementOf(chain, 2).pRevocationInfo);
    EXPECT_TRUE(simpleOf(chain).fHasRevocationFreshnessTime);
}

TEST_F(RevocationTest, ARevokedSignerIsFoundWithItsEntryAndReason) {
    const auto revoking =
        CrlBuilder(pki.standardCa).revoke(pki.commercial.certificate.serial(), RevocationReason::KeyCompromise).build();
    server->route("/standard-ca.crl", crlReply(revoking));

    const Chain chain = chainOf(pki.commercial, {.flags = kExcludeRoot});
    EXPECT_THAT(errorsOf(chain), ElementsAre(CERT_TRUST_IS_REVOKED, 0u, 0u));
    EXPECT_EQ(CERT_TRUST_IS_REVOKED, chain->TrustStatus.dwErrorStatus);
    const CERT_REVOCATION_INFO& info = *elementOf(chain, 0).pRevocationInfo;
    EXPECT_EQ(code(CRYPT_E_REVOKED), info.dwRevocationResult);
    ASSERT_TRUE(info.pCrlInfo && info.pCrlInfo->pCrlEntry);
    EXPECT_EQ(CRL_REASON_KEY_COMPROMISE, reasonOf(*info.pCrlInfo->pCrlEntry));
    EXPECT_EQ((PolicyResult{code(CRYPT_E_REVOKED), 0, 0}), policyOf(chain));
}

TEST_F(RevocationTest, AnUnreachableServerLeavesTheStatusUnknownAndOffline) {
    server.reset();
    const Chain chain = chainOf(pki.commercial, {.flags = kExcludeRoot});
    EXPECT_THAT(errorsOf(chain), ElementsAre(kOffline, kOffline, 0u));
    EXPECT_EQ(code(CRYPT_E_REVOCATION_OFFLINE), elementOf(chain, 0).pRevocationInfo->dwRevocationResult);
    EXPECT_EQ(nullptr, elementOf(chain, 0).pRevocationInfo->pCrlInfo);

    EXPECT_EQ((PolicyResult{code(CRYPT_E_REVOCATION_OFFLINE), 0, 0}), policyOf(chain));
    EXPECT_EQ((PolicyResult{code(CRYPT_E_REVOCATION_OFFLINE), 0, 1}),
              policyOf(chain, CERT_CHAIN_POLICY_BASE, CERT_CHAIN_POLICY_IGNORE_END_REV_UNKNOWN_FLAG));
    EXPECT_EQ(0u, policyOf(chain, CERT_CHAIN_POLICY_BASE, CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS).error);
}

TEST_F(RevocationTest, WithoutADistributionPointThereIsNothingToCheckWith) {
    const Chain chain = chainOf(pki.commercial, {.flags = CERT_CHAIN_REVOCATION_CHECK_CHAIN});
    // The root names no distribution point.
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, 0u, CERT_TRUST_REVOCATION_STATUS_UNKNOWN));
    EXPECT_EQ(code(CRYPT_E_NO_REVOCATION_CHECK), elementOf(chain, 2).pRevocationInfo->dwRevocationResult);
    EXPECT_EQ((PolicyResult{code(CRYPT_E_NO_REVOCATION_CHECK), 0, 2}), policyOf(chain));
    EXPECT_EQ(0u, policyOf(chain, CERT_CHAIN_POLICY_BASE, CERT_CHAIN_POLICY_IGNORE_ROOT_REV_UNKNOWN_FLAG).error);
}

TEST_F(RevocationTest, TheFlagsChooseWhichCertificatesAreChecked) {
    server.reset();
    const Chain endOnly = chainOf(pki.commercial, {.flags = kEndCert});
    EXPECT_THAT(errorsOf(endOnly), ElementsAre(kOffline, 0u, 0u));
    EXPECT_EQ(nullptr, elementOf(endOnly, 1).pRevocationInfo);

    const Chain none = chainOf(pki.commercial);
    EXPECT_THAT(errorsOf(none), ElementsAre(0u, 0u, 0u));
    for (DWORD i = 0; i < 3; ++i) EXPECT_EQ(nullptr, elementOf(none, i).pRevocationInfo);
}

TEST_F(RevocationTest, CrlsInTheStoresAreUsedWithoutFetching) {
    server.reset();
    addCrl(u"CA", standardCrl);
    addCrl(u"CA", rootCrl);
    EXPECT_EQ(0u, chainOf(pki.commercial, {.flags = kExcludeRoot})->TrustStatus.dwErrorStatus);

    // A revoking CRL given with the certificate, and nothing may be fetched.
    const auto revoking =
        CrlBuilder(pki.standardCa).thisUpdate(fromNow(-10min)).revoke(pki.commercial.certificate.serial()).build();
    const Store extra = store_test::memoryStore();
    ASSERT_TRUE(CertAddEncodedCRLToStore(extra.get(), X509_ASN_ENCODING, revoking.der().data(),
                                         static_cast<DWORD>(revoking.der().size()), CERT_STORE_ADD_ALWAYS, nullptr));
    const Chain chain = chainOf(
        pki.commercial, {.flags = kEndCert | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY, .additional = extra.get()});
    EXPECT_THAT(errorsOf(chain), ElementsAre(CERT_TRUST_IS_REVOKED, 0u, 0u));
}

TEST_F(RevocationTest, FetchedCrlsAreKeptUntilTheirNextUpdate) {
    EXPECT_EQ(0u, chainOf(pki.commercial, {.flags = kExcludeRoot})->TrustStatus.dwErrorStatus);
    EXPECT_EQ(0u, chainOf(pki.commercial, {.flags = kExcludeRoot})->TrustStatus.dwErrorStatus);
    EXPECT_EQ(1u, requestsFor("/standard-ca.crl"));
    EXPECT_EQ(1u, requestsFor("/root.crl"));

    server.reset();
    EXPECT_EQ(0u, chainOf(pki.commercial, {.flags = kExcludeRoot | CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL})
                      ->TrustStatus.dwErrorStatus);
}

TEST_F(RevocationTest, CacheOnlyFetchesNothing) {
    const Chain chain = chainOf(pki.commercial, {.flags = kEndCert | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY});
    EXPECT_THAT(errorsOf(chain), ElementsAre(kOffline, 0u, 0u));
    EXPECT_EQ(0u, server->requests().size());
}

TEST_F(RevocationTest, HostileOrUnfitRepliesCountAsOffline) {
    const auto impostor =
        testkit::pki::CertificateBuilder()
            .subject(testkit::pki::Name{
                {"C", "SK", testkit::pki::StringType::Printable}, {"O", "Tesk"}, {"CN", "Tesk Standard CA"}})
            .key(testkit::pki::Key::rsa(2048, "impostor"))
            .build();
    const std::pair<const char*, HttpReply> replies[] = {
        {"not found", HttpReply::text(404, "no such CRL")},
        {"not a CRL", HttpReply::text(200, "<html>hello</html>")},
        {"signed by another key", crlReply(CrlBuilder(impostor).build())},
        {"another issuer's", crlReply(CrlBuilder(pki.qualifiedCa).build())},
        {"past its next update",
         crlReply(CrlBuilder(pki.standardCa).thisUpdate(fromNow(-48h)).nextUpdate(fromNow(-24h)).build())},
        {"over the size limit", HttpReply{.generatedSize = 9u << 20}},
        {"connection reset", HttpReply{.fault = HttpReply::Fault::Reset}},
        {"closed without reply", HttpReply{.fault = HttpReply::Fault::Close}},
        {"not HTTP", HttpReply{.fault = HttpReply::Fault::Raw, .raw = "garbage\r\n\r\n"}},
    };
    for (const auto& [what, reply] : replies) {
        SCOPED_TRACE(what);
        server->route("/standard-ca.crl", reply);
        EXPECT_THAT(errorsOf(chainOf(pki.commercial, {.flags = kEndCert})), ElementsAre(kOffline, 0u, 0u));
    }
}

TEST_F(RevocationTest, ChainsCanBeBuiltFromManyThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> clean{0};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                const Cert user = certOf(i % 2 ? pki.commercial : pki.expired);
                CERT_CHAIN_PARA para{sizeof(para)};
                PCCERT_CHAIN_CONTEXT chain = nullptr;
                if (!CertGetCertificateChain(nullptr, user.get(), nullptr, nullptr, &para, kExcludeRoot, nullptr,
                                             &chain))
                    continue;
                const DWORD expected = i % 2 ? 0u : CERT_TRUST_IS_NOT_TIME_VALID;
                if (chain->TrustStatus.dwErrorStatus == expected) ++clean;
                CertFreeCertificateChain(chain);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(40, clean.load());
}

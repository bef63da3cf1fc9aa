// Building chains: where issuers come from, the status and info bits of a
// good chain, CAs with EC and RSA-PSS keys, untrusted roots, missing issuers
// and cycles, the two engines, chain references, argument errors, and the
// time many CRLs take.
#include <gmock/gmock.h>

#include "chain_fixture.h"
#include "testkit/growth.h"

using namespace chain_test;
using ::testing::ElementsAre;
using testkit::pki::BasicConstraints;
using testkit::pki::CertificateBuilder;
using testkit::pki::Key;
using testkit::pki::Name;

namespace {

constexpr DWORD kKeyMatch = CERT_TRUST_HAS_KEY_MATCH_ISSUER | CERT_TRUST_HAS_PREFERRED_ISSUER;
constexpr DWORD kTrustedRoot =
    CERT_TRUST_HAS_KEY_MATCH_ISSUER | CERT_TRUST_IS_SELF_SIGNED | CERT_TRUST_HAS_PREFERRED_ISSUER;

std::vector<testkit::Bytes> encodingsOf(const Chain& chain) {
    std::vector<testkit::Bytes> out;
    for (DWORD i = 0; i < simpleOf(chain).cElement; ++i) {
        const PCCERT_CONTEXT c = elementOf(chain, i).pCertContext;
        out.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    }
    return out;
}

Credential caNamed(const std::string& cn, const Credential& issuer, std::string_view keyName) {
    return CertificateBuilder()
        .subject(Name{{"CN", cn}})
        .key(Key::rsa(2048, keyName))
        .issuedBy(issuer)
        .basicConstraints(BasicConstraints{.ca = true})
        .build();
}

}  // namespace

TEST_F(ChainTest, GoodChainRunsToTheTrustedRootWithoutErrors) {
    const Cert user = certOf(pki.commercial);
    const Chain chain = chainOf(user.get());
    ASSERT_TRUE(chain);
    EXPECT_EQ(1u, chain->cChain);
    EXPECT_EQ(0u, chain->cLowerQualityChainContext);
    EXPECT_THAT(encodingsOf(chain), ElementsAre(pki.commercial.certificate.der(), pki.standardCa.certificate.der(),
                                                pki.root.certificate.der()));
    EXPECT_EQ(user.get(), elementOf(chain, 0).pCertContext);
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, 0u, 0u));
    EXPECT_THAT(infosOf(chain), ElementsAre(kKeyMatch, kKeyMatch, kTrustedRoot));
    // The certificate-only info bits stay out of the sums.
    EXPECT_EQ(CERT_TRUST_HAS_PREFERRED_ISSUER, simpleOf(chain).TrustStatus.dwInfoStatus);
    EXPECT_EQ(0u, chain->TrustStatus.dwErrorStatus);
    EXPECT_EQ(CERT_TRUST_HAS_PREFERRED_ISSUER, chain->TrustStatus.dwInfoStatus);
    EXPECT_EQ(nullptr, elementOf(chain, 0).pRevocationInfo);
    EXPECT_EQ((PolicyResult{0, -1, -1}), policyOf(chain));
}

TEST_F(ChainTest, OldMaterialStillVerifies) {
    const Credential oldCa = CertificateBuilder()
                                 .subject(Name{{"CN", "Old CA"}})
                                 .key(Key::rsa(1024, "old-ca"))
                                 .hash(testkit::pki::Hash::Md5)
                                 .version1()
                                 .build();
    const Credential oldUser = CertificateBuilder()
                                   .subject(Name{{"CN", "Old User"}})
                                   .key(Key::rsa(1024, "old-user"))
                                   .hash(testkit::pki::Hash::Sha1)
                                   .issuedBy(oldCa)
                                   .build();
    addCertificate(u"Root", oldCa.certificate);
    const Chain chain = chainOf(oldUser);
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, 0u));
    // The version 1 root names no key: it is matched by name.
    EXPECT_EQ(CERT_TRUST_HAS_NAME_MATCH_ISSUER | CERT_TRUST_IS_SELF_SIGNED | CERT_TRUST_HAS_PREFERRED_ISSUER,
              infosOf(chain).back());
}

// Under a root with an EC key, a CA whose key is EC (ECDSA) or RSA-PSS
// (RSASSA-PSS with its parameters): the certificates below it and its CRLs
// verify, and a changed signature does not.
class OtherAlgorithmChainTest : public BareChainTest, public ::testing::WithParamInterface<Key (*)()> {};

TEST_P(OtherAlgorithmChainTest, CertificatesAndCrlsOfTheCaVerify) {
    const Credential ecRoot = CertificateBuilder()
                                  .subject(Name{{"CN", "EC Root"}})
                                  .key(Key::ec("P-384", "ec-root"))
                                  .hash(testkit::pki::Hash::Sha384)
                                  .basicConstraints(BasicConstraints{.ca = true})
                                  .build();
    const Credential ca = CertificateBuilder()
                              .subject(Name{{"CN", "Other Algorithm CA"}})
                              .key(GetParam()())
                              .hash(testkit::pki::Hash::Sha384)
                              .issuedBy(ecRoot)
                              .basicConstraints(BasicConstraints{.ca = true})
                              .build();
    const CertificateBuilder user =
        CertificateBuilder().subject(Name{{"CN", "Other Algorithm User"}}).issuedBy(ca).serial({0x47});
    addCertificate(u"Root", ecRoot.certificate);
    addCertificate(u"CA", ca.certificate);
    EXPECT_THAT(errorsOf(chainOf(user.build())), ElementsAre(0u, 0u, 0u));
    EXPECT_THAT(errorsOf(chainOf(CertificateBuilder(user).tamperSignature().build())),
                ElementsAre(CERT_TRUST_IS_NOT_SIGNATURE_VALID, 0u, 0u));

    constexpr DWORD kFromStores = CERT_CHAIN_REVOCATION_CHECK_END_CERT | CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY;
    addCrl(u"CA", testkit::pki::CrlBuilder(ca).build());
    EXPECT_THAT(errorsOf(chainOf(user.build(), {.flags = kFromStores})), ElementsAre(0u, 0u, 0u));
    addCrl(u"CA", testkit::pki::CrlBuilder(ca).revoke({0x47}).build());
    EXPECT_THAT(errorsOf(chainOf(user.build(), {.flags = kFromStores})),
                ElementsAre(CERT_TRUST_IS_REVOKED, 0u, 0u));
}

INSTANTIATE_TEST_SUITE_P(CaKeys, OtherAlgorithmChainTest,
                         ::testing::Values([] { return Key::ec("P-256", "ec-ca"); },
                                           [] { return Key::rsaPss("pss-ca"); }),
                         [](const auto& info) { return info.index == 0 ? "EcdsaP256" : "RsaPss"; });

TEST_F(ChainTest, RootOutsideTheRootStoresIsUntrusted) {
    addCertificate(u"CA", pki.untrustedRoot.certificate);
    const Chain chain = chainOf(pki.untrusted);
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, CERT_TRUST_IS_UNTRUSTED_ROOT));
    EXPECT_THAT(infosOf(chain), ElementsAre(CERT_TRUST_HAS_KEY_MATCH_ISSUER,
                                            CERT_TRUST_HAS_KEY_MATCH_ISSUER | CERT_TRUST_IS_SELF_SIGNED));
    EXPECT_EQ(CERT_TRUST_IS_UNTRUSTED_ROOT, chain->TrustStatus.dwErrorStatus);
    EXPECT_EQ((PolicyResult{static_cast<DWORD>(CERT_E_UNTRUSTEDROOT), 0, 1}), policyOf(chain));
    EXPECT_EQ(0u, policyOf(chain, CERT_CHAIN_POLICY_BASE, CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG).error);
}

TEST_F(BareChainTest, IssuersComeFromTheAdditionalStoreAndTheCertificatesOwnStore) {
    addCertificate(u"Root", pki.root.certificate);  // no CA anywhere

    const Chain partial = chainOf(pki.commercial);
    EXPECT_THAT(errorsOf(partial), ElementsAre(0u));
    EXPECT_THAT(infosOf(partial), ElementsAre(0u));
    EXPECT_EQ(CERT_TRUST_IS_PARTIAL_CHAIN, simpleOf(partial).TrustStatus.dwErrorStatus);
    EXPECT_EQ(CERT_TRUST_IS_PARTIAL_CHAIN, partial->TrustStatus.dwErrorStatus);
    EXPECT_EQ((PolicyResult{static_cast<DWORD>(CERT_E_CHAINING), 0, -1}), policyOf(partial));

    const Store extra = store_test::memoryStore();
    ASSERT_TRUE(CertAddEncodedCertificateToStore(
        extra.get(), X509_ASN_ENCODING, pki.standardCa.certificate.der().data(),
        static_cast<DWORD>(pki.standardCa.certificate.der().size()), CERT_STORE_ADD_NEW, nullptr));
    const Chain viaAdditional = chainOf(pki.commercial, {.additional = extra.get()});
    EXPECT_EQ(3u, simpleOf(viaAdditional).cElement);
    EXPECT_EQ(0u, viaAdditional->TrustStatus.dwErrorStatus);

    PCCERT_CONTEXT own = nullptr;
    const auto& der = pki.commercial.certificate.der();
    ASSERT_TRUE(CertAddEncodedCertificateToStore(extra.get(), X509_ASN_ENCODING, der.data(),
                                                 static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW, &own));
    const Cert ownRef(own);
    const Chain viaOwnStore = chainOf(own);
    EXPECT_EQ(0u, viaOwnStore->TrustStatus.dwErrorStatus);
}

TEST_F(BareChainTest, TheMachineEngineReadsTheMachineStoresAlone) {
    addCertificate(u"Root", pki.root.certificate, CERT_SYSTEM_STORE_CURRENT_USER);
    addCertificate(u"CA", pki.standardCa.certificate, CERT_SYSTEM_STORE_LOCAL_MACHINE);

    EXPECT_EQ(0u, chainOf(pki.commercial)->TrustStatus.dwErrorStatus);
    const Chain machine = chainOf(pki.commercial, {.engine = HCCE_LOCAL_MACHINE});
    EXPECT_EQ(2u, simpleOf(machine).cElement);
    EXPECT_EQ(CERT_TRUST_IS_PARTIAL_CHAIN, machine->TrustStatus.dwErrorStatus);

    addCertificate(u"Root", pki.root.certificate, CERT_SYSTEM_STORE_LOCAL_MACHINE);
    EXPECT_EQ(0u, chainOf(pki.commercial, {.engine = HCCE_LOCAL_MACHINE})->TrustStatus.dwErrorStatus);
}

TEST_F(ChainTest, IssuersThatCertifiedEachOtherAreACycle) {
    const Credential firstA = CertificateBuilder()
                                  .subject(Name{{"CN", "Cycle A"}})
                                  .key(Key::rsa(2048, "cycle-a"))
                                  .basicConstraints(BasicConstraints{.ca = true})
                                  .build();
    const Credential b = caNamed("Cycle B", firstA, "cycle-b");
    const Credential a = caNamed("Cycle A", b, "cycle-a");
    const Credential leaf = CertificateBuilder().subject(Name{{"CN", "Cycle User"}}).issuedBy(a).build();
    addCertificate(u"CA", a.certificate);
    addCertificate(u"CA", b.certificate);

    const Chain chain = chainOf(leaf);
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, 0u, CERT_TRUST_IS_CYCLIC));
    EXPECT_EQ(CERT_TRUST_IS_CYCLIC | CERT_TRUST_IS_PARTIAL_CHAIN, chain->TrustStatus.dwErrorStatus);
    EXPECT_EQ((PolicyResult{static_cast<DWORD>(CERT_E_CHAINING), 0, 2}), policyOf(chain));
}

TEST_F(ChainTest, ChainsAreCountedReferences) {
    PCCERT_CHAIN_CONTEXT chain = chainOf(pki.commercial).release();
    EXPECT_EQ(chain, CertDuplicateCertificateChain(chain));
    CertFreeCertificateChain(chain);
    CERT_CHAIN_POLICY_STATUS status{sizeof(status)};
    EXPECT_TRUE(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain, nullptr, &status));
    EXPECT_EQ(0u, status.dwError);
    CertFreeCertificateChain(chain);

    // Gone: refused, and freeing it again or freeing null changes nothing.
    EXPECT_FALSE(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain, nullptr, &status));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_EQ(nullptr, CertDuplicateCertificateChain(chain));
    CertFreeCertificateChain(chain);
    CertFreeCertificateChain(nullptr);
}

TEST_F(ChainTest, BadArgumentsAreRefusedAndSuccessKeepsTheLastError) {
    const Cert user = certOf(pki.commercial);
    CERT_CHAIN_PARA para{sizeof(para)};
    CERT_CHAIN_PARA small{sizeof(DWORD)};
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    int reserved = 0;
    const auto refused = [&](HCERTCHAINENGINE engine, PCCERT_CONTEXT cert, PCERT_CHAIN_PARA p, void* r) {
        SetLastError(0);
        return !CertGetCertificateChain(engine, cert, nullptr, nullptr, p, 0, r, &chain) &&
               GetLastError() == static_cast<DWORD>(E_INVALIDARG);
    };
    EXPECT_TRUE(refused(HCCE_CURRENT_USER, nullptr, &para, nullptr));
    EXPECT_TRUE(refused(HCCE_CURRENT_USER, user.get(), nullptr, nullptr));
    EXPECT_TRUE(refused(HCCE_CURRENT_USER, user.get(), &small, nullptr));
    EXPECT_TRUE(refused(HCCE_CURRENT_USER, user.get(), &para, &reserved));
    EXPECT_TRUE(refused(reinterpret_cast<HCERTCHAINENGINE>(7), user.get(), &para, nullptr));
    EXPECT_FALSE(CertGetCertificateChain(nullptr, user.get(), nullptr, nullptr, &para, 0, nullptr, nullptr));

    EXPECT_TRUE(refused(HCCE_CURRENT_USER, reinterpret_cast<PCCERT_CONTEXT>(&para), &para, nullptr));  // forged

    SetLastError(1234);
    ASSERT_TRUE(CertGetCertificateChain(nullptr, user.get(), nullptr, nullptr, &para, 0, nullptr, &chain));
    EXPECT_EQ(1234u, GetLastError());
    CertFreeCertificateChain(chain);
}

TEST_F(ChainTest, PolicyArgumentsAreChecked) {
    const Chain chain = chainOf(pki.commercial);
    CERT_CHAIN_POLICY_STATUS status{sizeof(status)};
    CERT_CHAIN_POLICY_STATUS small{sizeof(DWORD)};
    CERT_CHAIN_POLICY_PARA smallPara{sizeof(DWORD)};
    const auto refusedWith = [](BOOL ok) { return ok ? 0u : GetLastError(); };
    const DWORD invalid = static_cast<DWORD>(E_INVALIDARG);
    EXPECT_EQ(invalid,
              refusedWith(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain.get(), nullptr, nullptr)));
    EXPECT_EQ(invalid,
              refusedWith(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain.get(), nullptr, &small)));
    EXPECT_EQ(invalid,
              refusedWith(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain.get(), &smallPara, &status)));
    EXPECT_EQ(invalid,
              refusedWith(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, nullptr, nullptr, &status)));
    // The SSL, Authenticode and other policies are not provided.
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), refusedWith(CertVerifyCertificateChainPolicy(
                                                         reinterpret_cast<LPCSTR>(4), chain.get(), nullptr, &status)));
}

TEST_F(ChainTest, ManyCrlsInTheAdditionalStoreTakeTimeThatGrowsWithTheirNumber) {
    const testkit::Bytes good = testkit::pki::CrlBuilder(pki.standardCa).build().der();
    EXPECT_TRUE(testkit::GrowsLinearly(
        [&](std::size_t count) {
            auto extra = std::make_shared<Store>(store_test::memoryStore());
            for (const auto& der : store_test::variantsOf(good, count - 1))
                EXPECT_TRUE(CertAddEncodedCRLToStore(extra->get(), X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
            EXPECT_TRUE(CertAddEncodedCRLToStore(extra->get(), X509_ASN_ENCODING, good.data(),
                                                 static_cast<DWORD>(good.size()), CERT_STORE_ADD_ALWAYS, nullptr));
            return [this, extra] {
                const Chain chain =
                    chainOf(pki.commercial, {.flags = CERT_CHAIN_REVOCATION_CHECK_END_CERT, .additional = extra->get()});
                EXPECT_EQ(0u, chain->TrustStatus.dwErrorStatus);
            };
        },
        5'000));
}

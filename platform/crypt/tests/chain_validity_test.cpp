// What the certificates themselves make of a chain: validity at the check
// time, nesting, signatures, CA rights, requested usages, extensions, name
// and policy constraints; each with the base policy's answer.
#include <gmock/gmock.h>

#include <functional>

#include "chain_fixture.h"

using namespace chain_test;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testkit::pki::BasicConstraints;
using testkit::pki::CertificateBuilder;
using testkit::pki::Extension;
using testkit::pki::fromNow;
using testkit::pki::Name;

namespace {

constexpr DWORD kCertSign = testkit::pki::kKeyCertSign | testkit::pki::kCrlSign;

// Name constraints permitting only C=CZ, and policy constraints requiring an
// explicit policy at once (RFC 5280 sections 4.2.1.10 and 4.2.1.11).
const testkit::Bytes kOnlyCzech = {0x30, 0x15, 0xA0, 0x13, 0x30, 0x11, 0xA4, 0x0F, 0x30, 0x0D, 0x31, 0x0B,
                                   0x30, 0x09, 0x06, 0x03, 0x55, 0x04, 0x06, 0x13, 0x02, 0x43, 0x5A};
const testkit::Bytes kRequireExplicitPolicy = {0x30, 0x03, 0x80, 0x01, 0x00};

class CaShapes : public ChainTest {
protected:
    // A CA under the root, shaped by the test, in the "CA" store, and the
    // chain of a user it issued. Each CA has a name (and key) of its own.
    Chain userChainUnder(const std::function<void(CertificateBuilder&)>& shape) {
        CertificateBuilder ca;
        ca.subject(Name{{"C", "SK"}, {"CN", "Shaped CA " + std::to_string(++m_cas)}})
            .issuedBy(pki.root)
            .validity(fromNow(-48h), fromNow(24h * 730));
        shape(ca);
        const Credential issuer = ca.build();
        addCertificate(u"CA", issuer.certificate);
        return chainOf(CertificateBuilder()
                           .subject(Name{{"C", "SK"}, {"CN", "Shaped User"}})
                           .issuedBy(issuer)
                           .extendedKeyUsage({std::string(testkit::pki::kClientAuth)})
                           .build());
    }

private:
    int m_cas = 0;
};

}  // namespace

TEST_F(ChainTest, CertificatesOutsideTheirValidityAtTheCheckTime) {
    for (const Credential* user : {&pki.expired, &pki.notYetValid}) {
        const Chain chain = chainOf(*user);
        EXPECT_THAT(errorsOf(chain), ElementsAre(CERT_TRUST_IS_NOT_TIME_VALID, 0u, 0u));
        EXPECT_EQ((PolicyResult{code(CERT_E_EXPIRED), 0, 0}), policyOf(chain));
        EXPECT_EQ(0u, policyOf(chain, CERT_CHAIN_POLICY_BASE, CERT_CHAIN_POLICY_IGNORE_NOT_TIME_VALID_FLAG).error);
    }
}

TEST_F(ChainTest, TheCheckTimeDecidesValidity) {
    const FILETIME monthAgo = fileTimeOf(fromNow(-24h * 30));
    EXPECT_EQ(0u, chainOf(pki.expired, {.time = &monthAgo})->TrustStatus.dwErrorStatus);
    EXPECT_THAT(errorsOf(chainOf(pki.commercial, {.time = &monthAgo})),
                ElementsAre(CERT_TRUST_IS_NOT_TIME_VALID, 0u, 0u));

    const FILETIME sixYearsAgo = fileTimeOf(fromNow(-24h * 365 * 6));
    EXPECT_THAT(errorsOf(chainOf(pki.commercial, {.time = &sixYearsAgo})),
                ElementsAre(CERT_TRUST_IS_NOT_TIME_VALID, CERT_TRUST_IS_NOT_TIME_VALID, 0u));
}

TEST_F(ChainTest, ValidityBeyondTheIssuersIsNotNested) {
    const Chain chain = chainOf(pki.notNested);
    EXPECT_THAT(errorsOf(chain), ElementsAre(CERT_TRUST_IS_NOT_TIME_NESTED, 0u, 0u));
    EXPECT_EQ((PolicyResult{code(CERT_E_VALIDITYPERIODNESTING), 0, 0}), policyOf(chain));
    EXPECT_EQ(0u, policyOf(chain, CERT_CHAIN_POLICY_BASE, CERT_CHAIN_POLICY_IGNORE_NOT_TIME_NESTED_FLAG).error);
}

TEST_F(ChainTest, TamperedSignatureIsFoundOnItsCertificate) {
    const Chain chain = chainOf(pki.tampered);
    EXPECT_THAT(errorsOf(chain), ElementsAre(CERT_TRUST_IS_NOT_SIGNATURE_VALID, 0u, 0u));
    EXPECT_EQ(3u, simpleOf(chain).cElement);  // the issuer is still found, by its key identifier
    EXPECT_EQ((PolicyResult{code(TRUST_E_CERT_SIGNATURE), 0, 0}), policyOf(chain));
}

TEST_F(CaShapes, IssuersWithoutCaRightsBreakBasicConstraints) {
    const std::pair<const char*, std::function<void(CertificateBuilder&)>> shapes[] = {
        {"no basic constraints", [](CertificateBuilder& ca) { ca.keyUsage(kCertSign); }},
        {"cA false", [](CertificateBuilder& ca) { ca.basicConstraints(BasicConstraints{.ca = false}); }},
    };
    for (const auto& [what, shape] : shapes) {
        SCOPED_TRACE(what);
        const Chain chain = userChainUnder(shape);
        EXPECT_THAT(errorsOf(chain), ElementsAre(0u, CERT_TRUST_INVALID_BASIC_CONSTRAINTS, 0u));
        EXPECT_EQ((PolicyResult{code(TRUST_E_BASIC_CONSTRAINTS), 0, 1}), policyOf(chain));
    }
}

TEST_F(CaShapes, PathLengthCountsTheCasBelow) {
    // The standard CA allows no CA below it.
    const Credential sub = CertificateBuilder()
                               .subject(Name{{"CN", "Sub CA"}})
                               .issuedBy(pki.standardCa)
                               .validity(fromNow(-48h), fromNow(24h * 730))
                               .basicConstraints(BasicConstraints{.ca = true})
                               .build();
    addCertificate(u"CA", sub.certificate);
    const Chain chain = chainOf(CertificateBuilder().subject(Name{{"CN", "Deep User"}}).issuedBy(sub).build());
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, 0u, CERT_TRUST_INVALID_BASIC_CONSTRAINTS, 0u));
}

TEST_F(CaShapes, TheBasicConstraintsPolicyReadsTheExtensions) {
    // Without the extension the policy lets the CA be; the engine does not.
    const Chain missing = userChainUnder([](CertificateBuilder& ca) { ca.keyUsage(kCertSign); });
    EXPECT_EQ((PolicyResult{0, -1, -1}), policyOf(missing, CERT_CHAIN_POLICY_BASIC_CONSTRAINTS));
    const Chain notCa = userChainUnder([](CertificateBuilder& ca) { ca.basicConstraints({.ca = false}); });
    EXPECT_EQ((PolicyResult{code(TRUST_E_BASIC_CONSTRAINTS), 0, 1}),
              policyOf(notCa, CERT_CHAIN_POLICY_BASIC_CONSTRAINTS));

    // The end certificate as the flags want it.
    const Chain ca = chainOf(pki.standardCa);
    EXPECT_EQ(0u, policyOf(ca, CERT_CHAIN_POLICY_BASIC_CONSTRAINTS, BASIC_CONSTRAINTS_CERT_CHAIN_POLICY_CA_FLAG).error);
    EXPECT_EQ(
        code(TRUST_E_BASIC_CONSTRAINTS),
        policyOf(ca, CERT_CHAIN_POLICY_BASIC_CONSTRAINTS, BASIC_CONSTRAINTS_CERT_CHAIN_POLICY_END_ENTITY_FLAG).error);
}

TEST_F(CaShapes, ACaThatMayNotSignCertificatesIsNotValidForUsage) {
    const Chain chain = userChainUnder([](CertificateBuilder& ca) {
        ca.basicConstraints(BasicConstraints{.ca = true}).keyUsage(testkit::pki::kCrlSign);
    });
    EXPECT_THAT(errorsOf(chain), ElementsAre(0u, CERT_TRUST_IS_NOT_VALID_FOR_USAGE, 0u));
    EXPECT_EQ((PolicyResult{code(CERT_E_WRONG_USAGE), 0, 1}), policyOf(chain));
}

TEST_F(CaShapes, RequestedUsagesAreNarrowedByTheIssuers) {
    LPSTR clientAuth = const_cast<LPSTR>(testkit::pki::kClientAuth.data());
    LPSTR timeStamping = const_cast<LPSTR>(testkit::pki::kTimeStamping.data());
    EXPECT_EQ(0u, chainOf(pki.commercial, {.usages = {clientAuth}})->TrustStatus.dwErrorStatus);
    const Chain both = chainOf(pki.commercial, {.usages = {clientAuth, timeStamping}});
    EXPECT_THAT(errorsOf(both), ElementsAre(CERT_TRUST_IS_NOT_VALID_FOR_USAGE, 0u, 0u));
    EXPECT_EQ((PolicyResult{code(CERT_E_WRONG_USAGE), 0, 0}), policyOf(both));
    EXPECT_EQ(0u, chainOf(pki.commercial, {.usages = {clientAuth, timeStamping}, .usageType = USAGE_MATCH_TYPE_OR})
                      ->TrustStatus.dwErrorStatus);

    // A CA limited to e-mail passes client authentication on to nobody.
    const Chain limited = userChainUnder([](CertificateBuilder& ca) {
        ca.basicConstraints(BasicConstraints{.ca = true})
            .extendedKeyUsage({std::string(testkit::pki::kEmailProtection)});
    });
    EXPECT_EQ(0u, limited->TrustStatus.dwErrorStatus);  // no usage asked for: no check
    const Cert user(CertDuplicateCertificateContext(elementOf(limited, 0).pCertContext));
    EXPECT_THAT(errorsOf(chainOf(user.get(), {.usages = {clientAuth}})),
                ElementsAre(CERT_TRUST_IS_NOT_VALID_FOR_USAGE, CERT_TRUST_IS_NOT_VALID_FOR_USAGE, 0u));
}

TEST_F(CaShapes, UnreadableOrUnknownCriticalExtensions) {
    const Extension unknownCritical{"1.3.6.1.4.1.99999.1", true, {0x05, 0x00}};
    const Chain unknown = chainOf(CertificateBuilder()
                                      .subject(Name{{"CN", "Odd User"}})
                                      .issuedBy(pki.standardCa)
                                      .extension(unknownCritical)
                                      .build());
    EXPECT_THAT(errorsOf(unknown), ElementsAre(CERT_TRUST_INVALID_EXTENSION, 0u, 0u));
    EXPECT_EQ((PolicyResult{code(CERT_E_CRITICAL), 0, 0}), policyOf(unknown));

    const Chain damaged = userChainUnder([](CertificateBuilder& ca) {
        ca.extension({szOID_BASIC_CONSTRAINTS2, true, {0x30, 0x03, 0x01, 0x01}});
    });
    EXPECT_THAT(errorsOf(damaged),
                ElementsAre(0u, CERT_TRUST_INVALID_EXTENSION | CERT_TRUST_INVALID_BASIC_CONSTRAINTS, 0u));
}

TEST_F(CaShapes, NameAndPolicyConstraintsOfTheIssuers) {
    const Chain outside = userChainUnder([](CertificateBuilder& ca) {
        ca.basicConstraints(BasicConstraints{.ca = true}).extension({"2.5.29.30", true, kOnlyCzech});
    });
    EXPECT_THAT(
        errorsOf(outside),
        ElementsAre(CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT, 0u, 0u));
    EXPECT_EQ((PolicyResult{code(CERT_E_INVALID_NAME), 0, 0}), policyOf(outside));

    // The CA has a policy of its own, the user none.
    const Chain noPolicy = userChainUnder([](CertificateBuilder& ca) {
        ca.basicConstraints(BasicConstraints{.ca = true})
            .policies({{"1.3.6.1.4.1.99999.2"}})
            .extension({"2.5.29.36", true, kRequireExplicitPolicy});
    });
    EXPECT_THAT(errorsOf(noPolicy), ElementsAre(CERT_TRUST_INVALID_POLICY_CONSTRAINTS, 0u, 0u));
    EXPECT_EQ((PolicyResult{code(CERT_E_INVALID_POLICY), 0, 0}), policyOf(noPolicy));
}

TEST_F(CaShapes, ConstraintsHoldOverThePathAsBuiltHoweverItsNamesAreSpelled) {
    // The user names its issuer in capitals beyond ASCII: the engine links
    // them all the same, and so must the constraint check.
    const Credential ca = CertificateBuilder()
                              .subject(Name{{"CN", "Čížek CA"}})
                              .issuedBy(pki.root)
                              .basicConstraints(BasicConstraints{.ca = true})
                              .extension({"2.5.29.30", true, kOnlyCzech})
                              .build();
    addCertificate(u"CA", ca.certificate);
    const Chain chain = chainOf(CertificateBuilder()
                                    .subject(Name{{"C", "SK"}, {"CN", "Outside User"}})
                                    .issuedBy(ca)
                                    .issuerName(Name{{"CN", "ČÍŽEK CA"}})
                                    .build());
    EXPECT_THAT(
        errorsOf(chain),
        ElementsAre(CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT, 0u, 0u));
}

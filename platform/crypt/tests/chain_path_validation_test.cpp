// Paths that `openssl verify` judges as well: issuers found by key
// identifier and by names that differ only in case, white space or string
// type, and certificate policies with their constraints, mappings and
// anyPolicy. Each case asserts the engine's verdict and that OpenSSL's is
// the same.
#include <gmock/gmock.h>

#include <string>

#include "chain_fixture.h"
#include "testkit/process.h"

using namespace chain_test;
using testkit::pki::BasicConstraints;
using testkit::pki::CertificateBuilder;
using testkit::pki::Key;
using testkit::pki::Name;
using testkit::pki::Policy;
using testkit::pki::PolicyConstraints;
using testkit::pki::PolicyMapping;
using testkit::pki::StringType;

namespace {

class JudgedPaths : public ChainTest {
protected:
    // `openssl verify` of the user under the root, with the CAs as untrusted
    // intermediates; policies from anyPolicy, as the engine does.
    bool opensslAccepts(const Credential& user, const std::vector<Credential>& cas) {
        std::string intermediates;
        for (const Credential& ca : cas) intermediates += ca.certificate.pem();
        const auto folder = root.path() / "judged";
        const auto rootFile = root.write("judged/root.pem", pki.root.certificate.pem());
        const auto casFile = root.write("judged/cas.pem", intermediates);
        const auto userFile = root.write("judged/user.pem", user.certificate.pem());
        const auto result = testkit::run({"openssl", "verify", "-policy_check", "-policy", "2.5.29.32.0", "-CAfile",
                                          rootFile.string(), "-untrusted", casFile.string(), userFile.string()},
                                         folder);
        return result.exitCode == 0;
    }

    // The engine's chain of the user with the CAs in the "CA" store, and
    // whether OpenSSL finds a good path among the same certificates.
    struct Judged {
        Chain chain;
        bool opensslGood;
        DWORD errors() const { return chain ? chain->TrustStatus.dwErrorStatus : ~0u; }
        testkit::Bytes issuer() const {
            const PCCERT_CONTEXT cert = elementOf(chain, 1).pCertContext;
            return {cert->pbCertEncoded, cert->pbCertEncoded + cert->cbCertEncoded};
        }
    };
    Judged judge(const Credential& user, const std::vector<Credential>& cas) {
        for (const Credential& ca : cas) addCertificate(u"CA", ca.certificate);
        return {chainOf(user), opensslAccepts(user, cas)};
    }
};

CertificateBuilder caBuilder(const Name& subject, const Credential& issuer) {
    CertificateBuilder ca;
    ca.subject(subject).issuedBy(issuer).basicConstraints(BasicConstraints{.ca = true});
    return ca;
}

// ---- Issuers ----------------------------------------------------------------

TEST_F(JudgedPaths, SameNamedCasAreToldApartByTheAuthorityKeyIdentifier) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const Name twin{{"CN", "Twin CA"}};
    const Credential older = caBuilder(twin, pki.root).key(Key::rsa(2048, "twin-older")).build();
    const Credential newer = caBuilder(twin, pki.root).key(Key::rsa(2048, "twin-newer")).build();
    const Credential user = CertificateBuilder().subject(Name{{"CN", "Twin User"}}).issuedBy(older).build();
    // The other twin is first in the store and newer.
    const Judged judged = judge(user, {newer, older});
    EXPECT_EQ(0u, judged.errors());
    EXPECT_TRUE(judged.opensslGood);
    EXPECT_EQ(older.certificate.der(), judged.issuer());
}

struct NameCase {
    const char* what;
    Name caSubject;
    Name userIssuer;  // as the user's certificate writes it
    bool found;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.what;
}

class IssuerNames : public JudgedPaths, public ::testing::WithParamInterface<NameCase> {};

TEST_P(IssuerNames, IssuerIsFoundWhenTheNamesCompareEqual) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const NameCase& c = GetParam();
    const Credential ca = caBuilder(c.caSubject, pki.root).build();
    const Credential user =
        CertificateBuilder().subject(Name{{"CN", "Named User"}}).issuedBy(ca).issuerName(c.userIssuer).build();
    const Judged judged = judge(user, {ca});
    EXPECT_EQ(c.found ? 0u : CERT_TRUST_IS_PARTIAL_CHAIN, judged.errors());
    EXPECT_EQ(c.found, judged.opensslGood);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IssuerNames,
    ::testing::Values(
        NameCase{"CaseAndWhiteSpace",
                 Name{{"O", "Tesk  Trust", StringType::Utf8}, {"CN", "Mixed Case CA", StringType::Utf8}},
                 Name{{"O", " tesk trust ", StringType::Utf8}, {"CN", "MIXED  case\tca", StringType::Utf8}}, true},
        NameCase{"PrintableAgainstUtf8AndBmp",
                 Name{{"C", "SK", StringType::Printable}, {"CN", "Typed CA", StringType::Printable}},
                 Name{{"C", "SK", StringType::Utf8}, {"CN", "Typed CA", StringType::Bmp}}, true},
        NameCase{"MultiValuedRdn",
                 Name().addMultiValued({{"CN", "Multi CA"}, {"O", "Tesk"}}),
                 Name().addMultiValued({{"O", "TESK", StringType::Printable}, {"CN", "multi ca"}}), true},
        NameCase{"AnotherName", Name{{"CN", "Named CA"}}, Name{{"CN", "Named CA 2"}}, false},
        NameCase{"AnotherRdnOrder", Name{{"O", "Tesk"}, {"CN", "Ordered CA"}},
                 Name{{"CN", "Ordered CA"}, {"O", "Tesk"}}, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(JudgedPaths, AKeyAgreeingIssuerWhoseNameMatchesWinsOverAByteEqualOneThatDoesNot) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const Credential impostor =
        caBuilder(Name{{"CN", "Encoded CA", StringType::Utf8}}, pki.root).key(Key::rsa(2048, "encoded-a")).build();
    const Credential real = caBuilder(Name{{"CN", "ENCODED CA", StringType::Printable}}, pki.root)
                                .key(Key::rsa(2048, "encoded-b"))
                                .build();
    const Credential user = CertificateBuilder()
                                .subject(Name{{"CN", "Encoded User"}})
                                .issuedBy(real)
                                .issuerName(Name{{"CN", "Encoded CA", StringType::Utf8}})
                                .build();
    const Judged judged = judge(user, {impostor, real});
    EXPECT_EQ(0u, judged.errors());
    EXPECT_TRUE(judged.opensslGood);
    EXPECT_EQ(real.certificate.der(), judged.issuer());
}

// ---- Policies ---------------------------------------------------------------

constexpr const char* kP1 = "1.3.6.1.4.1.32473.9.1";
constexpr const char* kP2 = "1.3.6.1.4.1.32473.9.2";
constexpr const char* kAny = "2.5.29.32.0";

struct Shape {
    std::vector<std::string> policies;  // none: no extension
    std::optional<PolicyConstraints> constraints;
    std::vector<PolicyMapping> mappings;
    std::optional<long> inhibitAnyPolicy;
};

struct PolicyCase {
    const char* what;
    Shape upper, lower, user;  // the CA under the root, the CA under it, the user
    bool valid;
};

void PrintTo(const PolicyCase& c, std::ostream* os) {
    *os << c.what;
}

void shape(CertificateBuilder& builder, const Shape& s) {
    if (!s.policies.empty()) {
        std::vector<Policy> policies;
        for (const auto& oid : s.policies) policies.push_back({oid});
        builder.policies(policies);
    }
    if (s.constraints) builder.policyConstraints(*s.constraints);
    if (!s.mappings.empty()) builder.policyMappings(s.mappings);
    if (s.inhibitAnyPolicy) builder.inhibitAnyPolicy(*s.inhibitAnyPolicy);
}

class Policies : public JudgedPaths, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(Policies, PathIsJudgedAsOpensslJudgesIt) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const PolicyCase& c = GetParam();
    CertificateBuilder upper = caBuilder(Name{{"CN", "Policy Upper CA"}}, pki.root);
    shape(upper, c.upper);
    const Credential upperCa = upper.build();
    CertificateBuilder lower = caBuilder(Name{{"CN", "Policy Lower CA"}}, upperCa);
    shape(lower, c.lower);
    const Credential lowerCa = lower.build();
    CertificateBuilder user;
    user.subject(Name{{"CN", "Policy User"}}).issuedBy(lowerCa);
    shape(user, c.user);

    const Judged judged = judge(user.build(), {lowerCa, upperCa});
    EXPECT_EQ(c.valid ? 0u : CERT_TRUST_INVALID_POLICY_CONSTRAINTS, judged.errors());
    EXPECT_EQ(c.valid, judged.opensslGood);
}

const PolicyConstraints kRequireNow{.requireExplicitPolicy = 0};

INSTANTIATE_TEST_SUITE_P(
    Cases, Policies,
    ::testing::Values(
        PolicyCase{"NoPoliciesNoDemands", {}, {}, {}, true},
        PolicyCase{"PoliciesWithoutDemandsNeedNotMeet", {{kP1}}, {{kP1}}, {{kP2}}, true},
        PolicyCase{"RequiredPolicyHeldThroughout", {{kP1}, kRequireNow}, {{kP1}}, {{kP1}}, true},
        PolicyCase{"RequiredPolicyNotHeldByTheUser", {{kP1}, kRequireNow}, {{kP1}}, {{kP2}}, false},
        PolicyCase{"RequirementSkipsTheCertificatesBelow", {{kP1}, PolicyConstraints{.requireExplicitPolicy = 3}},
                   {{kP1}}, {}, true},
        PolicyCase{"MappingCarriesThePolicy", {{kP1}, kRequireNow}, {{kP1}, {}, {{kP1, kP2}}}, {{kP2}}, true},
        PolicyCase{"InhibitedMappingDropsThePolicy",
                   {{kP1}, PolicyConstraints{.requireExplicitPolicy = 0, .inhibitPolicyMapping = 0}},
                   {{kP1}, {}, {{kP1, kP2}}},
                   {{kP2}},
                   false},
        PolicyCase{"AnyPolicyOfACaPassesThePolicyOn", {{kP1}, kRequireNow}, {{kAny}}, {{kP1}}, true},
        PolicyCase{"InhibitedAnyPolicyPassesNothingOn", {{kP1}, kRequireNow, {}, 0}, {{kAny}}, {{kP1}}, false}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace

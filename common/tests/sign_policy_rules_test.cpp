// Each policy rule accepts a signature that meets its part of the policy
// and refuses one that does not, with its log line; certificates, chains
// and roots come from the testkit PKI through the certificate records.
#include "common/sign_policy_rules.h"

#include "byte_strings.h"
#include "common/cryptoapi.h"
#include "sign_policy_fixture.h"
#include "testkit/pki.h"
#include "win32/datetime.h"

namespace {

using testkit::pki::CertificateBuilder;
using testkit::pki::Credential;
using testkit::pki::Hierarchy;

using byte_strings::kMessageDigest;
using byte_strings::kSha256;
using byte_strings::kSigningTime;
using byte_strings::kTimeStampToken;

constexpr char kSha256Rsa[] = "1.2.840.113549.1.1.11";

FILETIME Plus(FILETIME time, LONGLONG ticks) {
    const ULONGLONG value = ((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime) + static_cast<ULONGLONG>(ticks);
    return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FILETIME Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return now;
}

CertInfo Info(const testkit::pki::Certificate& certificate) {
    CertInfo info;
    EXPECT_EQ(1u, TCryptoapi::CertInfoFromDer(certificate.der(), info));
    return info;
}

// The user, its issuers, the root.
std::vector<CertInfo> Chain(const Credential& user) {
    std::vector<CertInfo> chain{Info(user.certificate)};
    for (const auto& issuer : user.chain) chain.push_back(Info(issuer));
    return chain;
}

PolicyTrustPoint TrustPoint(const CertInfo& root, std::vector<std::string> acceptable = {}, INT explicitPolicy = -1) {
    PolicyTrustPoint point;
    point.certificate = root.der;
    point.acceptablePolicies = std::move(acceptable);
    point.requireExplicitPolicy = explicitPolicy;
    return point;
}

class SignPolicyRulesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pki = std::make_unique<Hierarchy>(Hierarchy::make()); }
    static void TearDownTestSuite() { s_pki.reset(); }
    void SetUp() override {
        TLogStrVect::ReleaseInstance();
        TLogStrVect::Instance()->SetMask(sgLogLevelErrs);
    }
    void TearDown() override { TLogStrVect::ReleaseInstance(); }

    // The rule's verdict, and the one log line a refusal writes (none for
    // a pass, none for a refusal given an empty text).
    static void Expect(DWORD verdict, const TSignValidationRule& rule, const SignPolicyInfo& policy,
                       const std::string& line = "") {
        EXPECT_EQ(verdict, rule.Validate(policy));
        const auto lines = policy_test::LogLines();
        TLogStrVect::Instance()->Trim(0);
        if (line.empty()) {
            EXPECT_TRUE(lines.empty()) << lines.front();
        } else {
            ASSERT_EQ(1u, lines.size());
            EXPECT_TRUE(policy_test::IsLogLine(lines[0], sgLogLevelErrs, line)) << lines[0];
        }
    }

    static std::unique_ptr<Hierarchy> s_pki;
    testkit::PlatformRoot m_root;
};

std::unique_ptr<Hierarchy> SignPolicyRulesTest::s_pki;

TEST_F(SignPolicyRulesTest, SignerRulesOfThePolicy) {
    SignPolicyInfo policy;
    SignerAndVerifierRules& rules = policy.commonRules.signerAndVerifier;
    Expect(1, TSignerTypeCommonRule(1), policy);
    rules.externalSignedData = kExternalSignedDataFalse;
    Expect(1, TSignerTypeCommonRule(0), policy);
    Expect(0, TSignerTypeCommonRule(1), policy, "Validate(): TSignerTypeCommonRule failed");
    rules.externalSignedData = kExternalSignedDataTrue;
    Expect(1, TSignerTypeCommonRule(1), policy);
    Expect(0, TSignerTypeCommonRule(0), policy, "Validate(): TSignerTypeCommonRule failed");

    Expect(1, TSignerCertRefCommonRule(kCertSignerOnly), policy);
    Expect(0, TSignerCertRefCommonRule(kCertFullPath), policy, "Validate(): TSignerCertRefCommonRule failed");
    for (DWORD info : {kCertSignerOnly, kCertFullPath, DWORD{7}}) Expect(1, TSignerCertInfoCommonRule(info), policy);
    rules.mandatedCertificateInfo = kCertSignerOnly;
    Expect(1, TSignerCertInfoCommonRule(kCertSignerOnly), policy);
    Expect(0, TSignerCertInfoCommonRule(kCertFullPath), policy, "Validate(): TSignerCertInfoCommonRule failed");
}

TEST_F(SignPolicyRulesTest, MandatedAttributes) {
    SignPolicyInfo policy;
    Expect(1, TSignerAttrCommonRule("1.2.3", kSignedAttribute), policy);
    Expect(1, TSignerAttrsCommonRule({}, {}), policy);

    SignerAndVerifierRules& rules = policy.commonRules.signerAndVerifier;
    rules.mandatedSignedAttrsPresent = rules.mandatedUnsignedAttrsPresent = 1;
    rules.mandatedSignedAttrs = {kMessageDigest, kSigningTime};
    rules.mandatedUnsignedAttrs = {kTimeStampToken};
    Expect(1, TSignerAttrCommonRule(kSigningTime, kSignedAttribute), policy);
    Expect(1, TSignerAttrCommonRule(kTimeStampToken, kUnsignedAttribute), policy);
    Expect(0, TSignerAttrCommonRule("1.2.840.113549.1.9.50", kSignedAttribute), policy,
           "Validate(): TSignerAttrCommonRule attribute oid '1.2.840.113549.1.9.50' failed");
    Expect(0, TSignerAttrCommonRule(kSigningTime, 2), policy);

    Expect(1, TSignerAttrsCommonRule({kSigningTime, "1.2.3", kMessageDigest}, {kTimeStampToken}), policy);
    Expect(0, TSignerAttrsCommonRule({kMessageDigest}, {kTimeStampToken}), policy,
           "Validate(): TSignerAttrsCommonRule signed attribute oid '1.2.840.113549.1.9.5' failed");
    Expect(0, TSignerAttrsCommonRule({kMessageDigest, kSigningTime}, {}), policy,
           "Validate(): TSignerAttrsCommonRule unsigned attribute oid '1.2.840.113549.1.9.16.2.14' failed");
}

// The qualified user's certificate: RSA 2048, sha256RSA. Without signer
// constraints no signer algorithm passes; without certificate constraints
// every certificate does.
TEST_F(SignPolicyRulesTest, AlgorithmsAndKeyLengths) {
    const CertInfo user = Info(s_pki->qualified.certificate);
    ASSERT_EQ(kSha256Rsa, user.signatureAlgOid);
    ASSERT_EQ(2048u, user.keyLength);
    SignPolicyInfo policy;
    AlgorithmConstraintSet& algorithms = policy.commonRules.algorithms;
    const std::string signerFailed = "Validate(): TSignerAlgCommonRule signer algorithm oid '1.2.840.113549.1.1.11' failed";
    Expect(0, TSignerAlgCommonRule(kSha256Rsa, 0), policy, signerFailed);
    Expect(1, TCertAlgCommonRule(kCertAlgEndEntity, user), policy);

    algorithms.signer = {{.algorithm = kSha256}, {.algorithm = kSha256Rsa, .minKeyLength = 2048}};
    Expect(1, TSignerAlgCommonRule(kSha256Rsa, 2048), policy);
    Expect(0, TSignerAlgCommonRule(kSha256Rsa, 1024), policy, signerFailed);

    algorithms.endEntity = algorithms.signer;
    Expect(1, TCertAlgCommonRule(kCertAlgEndEntity, user), policy);
    algorithms.endEntity[1].minKeyLength = 3072;
    Expect(0, TCertAlgCommonRule(kCertAlgEndEntity, user), policy,
           "Validate(): TCertAlgCommonRule cert algorithm oid '1.2.840.113549.1.1.11' failed");
    // Each kind reads its own list; the hash algorithm is checked first.
    algorithms.timestampAuthority = {{.algorithm = kSha256Rsa}};
    Expect(0, TCertAlgCommonRule(kCertAlgTimestampAuthority, Info(s_pki->tsa.certificate)), policy,
           "Validate(): TCertAlgCommonRule cert algorithm oid '2.16.840.1.101.3.4.2.1' failed");
    Expect(1, TCertAlgCommonRule(kCertAlgCa, user), policy);
    Expect(0, TCertAlgCommonRule(5, user), policy);
}

TEST_F(SignPolicyRulesTest, RootValidAtTheTimeAndATrustPoint) {
    const CertInfo root = Info(s_pki->root.certificate);
    const CertInfo untrusted = Info(s_pki->untrustedRoot.certificate);
    SignPolicyInfo policy;
    Expect(1, TCertRootCommonRule(kTrustSigner, untrusted, Now()), policy);
    policy.commonRules.signingCert.trustTrees = {TrustPoint(root)};
    Expect(1, TCertRootCommonRule(kTrustSigner, root, Now()), policy);
    Expect(0, TCertRootCommonRule(kTrustSigner, untrusted, Now()), policy,
           "Validate(): TCertRootCommonRule root certificate failed");

    const std::string period = "Validate(): TCertRootCommonRule root certificate period failed";
    Expect(1, TCertRootCommonRule(kTrustSigner, root, root.notBefore), policy);
    Expect(1, TCertRootCommonRule(kTrustSigner, root, root.notAfter), policy);
    Expect(0, TCertRootCommonRule(kTrustSigner, root, Plus(root.notAfter, 1)), policy, period);
    CertInfo noStart = root;
    noStart.notBefore = {};
    Expect(0, TCertRootCommonRule(kTrustSigner, noStart, Now()), policy, period);
    Expect(0, TCertRootCommonRule(4, root, Now()), policy);

    // A time-stamping authority without trust trees of its own is held
    // against the signer's.
    Expect(1, TCertRootCommonRule(kTrustTimestampAuthority, root, Now()), policy);
    policy.commonRules.timestamp.trustTrees = {TrustPoint(untrusted)};
    Expect(0, TCertRootCommonRule(kTrustTimestampAuthority, root, Now()), policy,
           "Validate(): TCertRootCommonRule root certificate failed");
}

TEST_F(SignPolicyRulesTest, ChainHoldsAnAcceptablePolicyOfItsTrustPoint) {
    const std::string qualified(testkit::pki::kQualifiedPolicy);
    const std::string policyFailed = "Validate(): TCertPolicyCommonRule acceptable policy set failed";
    SignPolicyInfo policy;
    Expect(1, TCertPolicyCommonRule(kTrustSigner, Chain(s_pki->commercial)), policy);

    // Counted from the root as 0: from 2 on, only the user must hold one.
    policy.commonRules.signingCert.trustTrees = {TrustPoint(Info(s_pki->root.certificate), {qualified}, 2)};
    Expect(1, TCertPolicyCommonRule(kTrustSigner, Chain(s_pki->qualified)), policy);
    Expect(0, TCertPolicyCommonRule(kTrustSigner, Chain(s_pki->commercial)), policy, policyFailed);
    Expect(0, TCertPolicyCommonRule(kTrustTimestampAuthority, Chain(s_pki->tsa)), policy, policyFailed);
    Expect(0, TCertPolicyCommonRule(kTrustSigner, Chain(s_pki->untrusted)), policy,
           "Validate(): TCertPolicyCommonRule find of certificate trust point failed");
    Expect(0, TCertPolicyCommonRule(kTrustSigner, {}), policy);
    policy.commonRules.signingCert.trustTrees[0].requireExplicitPolicy = -1;
    Expect(1, TCertPolicyCommonRule(kTrustSigner, Chain(s_pki->commercial)), policy);

    // From 1 on the root is left out; RFC 3125's acceptable set is a set
    // of policies any of which will do.
    const std::string a = "1.3.6.1.4.1.32473.10.5.1", b = "1.3.6.1.4.1.32473.10.5.2";
    const Credential root = CertificateBuilder().subject({{"CN", "Policy Root"}}).build();
    const Credential ca =
        CertificateBuilder().subject({{"CN", "Policy CA"}}).issuedBy(root).basicConstraints({.ca = true}).policies({{a}, {b}}).build();
    const auto user = [&](const std::string& oid) {
        return CertificateBuilder().subject({{"CN", "User " + oid}}).issuedBy(ca).policies({{oid}}).build();
    };
    policy.commonRules.signingCert.trustTrees = {TrustPoint(Info(root.certificate), {a, b}, 1)};
    Expect(1, TCertPolicyCommonRule(kTrustSigner, Chain(user(b))), policy);
    Expect(0, TCertPolicyCommonRule(kTrustSigner, Chain(user("1.3.6.1.4.1.32473.10.5.3"))), policy, policyFailed);
}

}  // namespace

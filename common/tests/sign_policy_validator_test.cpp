// The validator's rule list and its three runs as the signing component
// uses them, and a decoded policy held against its own trust point and
// mandated attributes.
#include "common/sign_policy_validator.h"

#include "common/cryptoapi.h"
#include "common/sign_policy_decoder.h"
#include "sign_policy_fixture.h"

namespace {

using namespace policy_test;

class SignPolicyValidatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        TLogStrVect::ReleaseInstance();
        TLogStrVect::Instance()->SetMask(sgLogLevelErrs);
    }
    void TearDown() override { TLogStrVect::ReleaseInstance(); }
};

TEST_F(SignPolicyValidatorTest, RunsInOrderStoppingAtTheFirstFailure) {
    SignPolicyInfo policy;
    policy.commonRules.signerAndVerifier.externalSignedData = kExternalSignedDataFalse;
    TSignPolicyValidator validator(policy);
    EXPECT_EQ(1u, validator.Validate());
    EXPECT_EQ(1u, validator.ValidateFirst());
    EXPECT_EQ(1u, validator.ValidateLast());

    EXPECT_EQ(1u, validator.AddSignerCertRefRule(kCertSignerOnly));
    EXPECT_EQ(1u, validator.AddSignerCertRefRule(kCertFullPath));
    EXPECT_EQ(1u, validator.AddSignerTypeRule(1));
    EXPECT_EQ(0u, validator.Validate());
    ASSERT_EQ(1u, LogLines().size());
    EXPECT_TRUE(IsLogLine(LogLines()[0], sgLogLevelErrs, "Validate(): TSignerCertRefCommonRule failed"));
    EXPECT_EQ(1u, validator.ClearRules());
    EXPECT_EQ(1u, validator.Validate());
}

// Before signing: the signer's certificate alone when the policy allows
// it, else the whole path. The validator keeps copies of the policy and of
// the rules' arguments.
TEST_F(SignPolicyValidatorTest, FirstAndLastRunOneRuleOnCopies) {
    auto policy = std::make_unique<SignPolicyInfo>();
    policy->commonRules.signerAndVerifier.mandatedCertificateInfo = kCertFullPath;
    TSignPolicyValidator validator(*policy);
    policy.reset();
    validator.AddSignerCertInfoRule(kCertSignerOnly);
    EXPECT_EQ(0u, validator.ValidateFirst());
    {
        const std::vector<std::string> carried{"1.2.840.113549.1.9.4"};
        validator.AddSignerAttrsRule(carried, carried);
    }
    validator.AddSignerCertInfoRule(kCertFullPath);
    EXPECT_EQ(0u, validator.ValidateFirst());
    EXPECT_EQ(1u, validator.ValidateLast());
}

class DecodedPolicyValidatorTest : public PolicyTest {};

TEST_F(DecodedPolicyValidatorTest, QualifiedPolicyHoldsWhatItMandates) {
    const Bytes der = Make("qualified.cnf");
    SignPolicyInfo policy;
    ASSERT_TRUE(DecodeSignPolicyBuffer(der.data(), static_cast<DWORD>(der.size()), policy));
    CertInfo root;
    ASSERT_EQ(1u, TCryptoapi::CertInfoFromDer(policy.commonRules.signingCert.trustTrees.at(0).certificate, root));

    TSignPolicyValidator validator(policy);
    validator.AddSignerAttrsRule({"1.2.840.113549.1.9.3", "1.2.840.113549.1.9.4", "1.2.840.113549.1.9.5",
                                  "1.2.840.113549.1.9.16.2.47", "1.2.840.113549.1.9.16.2.15"},
                                 {"1.2.840.113549.1.9.16.2.14"});
    validator.AddSignerCertRefRule(kCertFullPath);
    validator.AddSignerTypeRule(0);
    validator.AddSignerAlgRule("1.2.840.113549.1.1.11", 2048);
    validator.AddCertAlgRule(kCertAlgCa, root);
    validator.AddCertRootRule(kTrustTimestampAuthority, root, root.notAfter);
    validator.AddCertPolicyRule(kTrustSigner, {root});
    EXPECT_EQ(1u, validator.Validate()) << (LogLines().empty() ? "" : LogLines()[0]);
    validator.AddSignerTypeRule(1);
    EXPECT_EQ(0u, validator.ValidateLast());
}

}  // namespace

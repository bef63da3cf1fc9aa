// The policy record's defaults, its reset and its deep copies.
#include "common/sign_policy.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A new record and a cleared one hold the defaults, several not 0.
TEST(SignPolicyInfo, ClearRestoresTheDefaultsOfANewRecord) {
    SignPolicyInfo info;
    info.policyOid = "1.2.3";
    info.dateOfIssue = {1, 2};
    info.commonRules.signerAndVerifier.mandatedCertificateRef = kCertFullPath;
    info.commonRules.signerAndVerifier.mandatedCertificateInfo = kCertFullPath;
    info.commonRules.signerAndVerifier.externalSignedData = kExternalSignedDataTrue;
    info.commonRules.attribute.howCertified = kHowCertCertified;
    info.commonRules.signingCert.trustTrees.emplace_back();
    info.Clear();
    EXPECT_TRUE(info.policyOid.empty());
    EXPECT_EQ(0u, info.dateOfIssue.dwLowDateTime | info.dateOfIssue.dwHighDateTime);
    EXPECT_EQ(kCertSignerOnly, info.commonRules.signerAndVerifier.mandatedCertificateRef);
    EXPECT_EQ(kCertInfoNone, info.commonRules.signerAndVerifier.mandatedCertificateInfo);
    EXPECT_EQ(kExternalSignedDataAbsent, info.commonRules.signerAndVerifier.externalSignedData);
    EXPECT_EQ(kHowCertAbsent, info.commonRules.attribute.howCertified);
    EXPECT_TRUE(info.commonRules.signingCert.trustTrees.empty());

    PolicyTrustPoint point;
    point.pathLength = point.requireExplicitPolicy = point.inhibitPolicyMapping = 3;
    point.Clear();
    EXPECT_EQ(-1, point.pathLength);
    EXPECT_EQ(-1, point.requireExplicitPolicy);
    EXPECT_EQ(-1, point.inhibitPolicyMapping);
}

TEST(SignPolicyInfo, CopyOutlivesItsSource) {
    auto source = std::make_unique<SignPolicyInfo>();
    source->issuerNameAttrs.emplace_back("2.5.4.3", 13, "Tesk");
    source->commonRules.timestamp.trustTrees.emplace_back();
    source->commonRules.timestamp.trustTrees[0].acceptablePolicies = {"1.2.3"};
    source->commonRules.algorithms.signer.push_back({.algorithm = "1.2.840.113549.1.1.11", .minKeyLength = 2048});
    SignPolicyInfo copy;
    copy = *source;
    source.reset();
    EXPECT_EQ("Tesk", copy.issuerNameAttrs.at(0).value);
    EXPECT_EQ("1.2.3", copy.commonRules.timestamp.trustTrees.at(0).acceptablePolicies.at(0));
    EXPECT_EQ(2048u, copy.commonRules.algorithms.signer.at(0).minKeyLength);
}

}  // namespace

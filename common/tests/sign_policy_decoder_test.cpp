// The policy decoder against policies openssl makes: every field of a
// qualified policy with every optional part, the defaults of a minimal one,
// the policy hash, and damaged hashes, rules, names and values.
#include "common/sign_policy_decoder.h"

#include "platform/text.h"
#include "sign_policy_fixture.h"
#include "testkit/pki.h"
#include "testkit/policy.h"
#include "win32/crypt_encode.h"
#include "win32/datetime.h"

namespace {

using namespace policy_test;
using Oids = std::vector<std::string>;

ULONGLONG Ticks(const FILETIME& time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

ULONGLONG Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    const SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    FILETIME out{};
    SystemTimeToFileTime(&time, &out);
    return Ticks(out);
}

std::string Ansi(const std::string& utf8) { return platform::text::utf8ToAnsi(utf8); }

constexpr char kHashLine[] = "hash = FORMAT:HEX,OCTETSTRING:${ENV::POLICY_HASH}";

class SignPolicyDecoderTest : public PolicyTest {
protected:
    SignPolicyInfo Decoded(const std::string& cnf, const std::vector<Edit>& edits = {}, bool expected = true) {
        m_der = Make(cnf, edits);
        SignPolicyInfo info;
        EXPECT_EQ(expected, DecodeSignPolicyBuffer(m_der.data(), static_cast<DWORD>(m_der.size()), info));
        return info;
    }
    Bytes m_der;
};

TEST_F(SignPolicyDecoderTest, QualifiedPolicyHeaderAndItsHash) {
    const SignPolicyInfo info = Decoded("qualified.cnf");
    EXPECT_EQ("1.3.6.1.4.1.32473.10.1.1", info.policyOid);
    EXPECT_EQ(Utc(2024, 1, 15, 8, 30, 0), Ticks(info.dateOfIssue));
    EXPECT_EQ(Utc(2024, 2, 1, 0, 0, 0), Ticks(info.signingNotBefore));
    EXPECT_EQ(Utc(2034, 12, 31, 23, 59, 59), Ticks(info.signingNotAfter));
    EXPECT_EQ(Ansi("C=CZ, O=Tesk Certifikační autorita, CN=Správce podpisových politik"), info.issuerName);
    ASSERT_EQ(3u, info.issuerNameAttrs.size());
    EXPECT_EQ(CERT_RDN_UTF8_STRING, info.issuerNameAttrs[1].valueType);
    EXPECT_EQ(Ansi("Správce podpisových politik"), info.issuerNameAttrs[2].value);
    EXPECT_EQ("http://www.tesk.example/policies/qes1.der", info.issuerSecondName);
    EXPECT_EQ(Ansi("Kvalifikovaný elektronický podpis podle nařízení eIDAS"), info.fieldOfApplication);

    const auto elements = Parse(m_der);  // 0 policy, 1 hash algorithm, 4 information, 5 its identifier
    EXPECT_EQ(m_der, info.policyDer);
    EXPECT_EQ(elements[1].tlv(m_der), info.hashAlgDer);
    EXPECT_EQ(elements[5].tlv(m_der), info.policyOidDer);

    EXPECT_EQ("2.16.840.1.101.3.4.2.1", info.hashAlgOid);
    const Bytes expected = OpensslPolicyHash(m_der);
    ASSERT_EQ(32u, expected.size());
    EXPECT_EQ(expected, info.computedHash);
    EXPECT_EQ(expected, info.storedHash);
    std::string text;
    for (std::size_t i = 0; i < expected.size(); i += 2) text += (i ? " " : "") + ToUpper(BytesToHex(&expected[i], 2));
    EXPECT_EQ(text, info.policyHashText);

    EXPECT_EQ(std::vector<DWORD>{0}, info.recognisedCommitmentRules);  // the empty choice does not count
    EXPECT_EQ((Bytes{0x13, 0x02, 'c', 's'}), info.policyInfoExtensions.at(0).value);
    EXPECT_EQ(0x0C, info.validationPolicyExtensions.at(0).value.at(0));
}

TEST_F(SignPolicyDecoderTest, QualifiedPolicyCommonRules) {
    const PolicyCommonRules rules = Decoded("qualified.cnf").commonRules;
    const SignerAndVerifierRules& signer = rules.signerAndVerifier;
    EXPECT_EQ(kExternalSignedDataFalse, signer.externalSignedData);
    EXPECT_EQ(5u, signer.mandatedSignedAttrs.size());
    EXPECT_EQ(Oids{"1.2.840.113549.1.9.16.2.14"}, signer.mandatedUnsignedAttrs);
    EXPECT_EQ(kCertFullPath, signer.mandatedCertificateRef);
    EXPECT_EQ(kCertSignerOnly, signer.mandatedCertificateInfo);
    EXPECT_EQ((Bytes{0x01, 0x01, 0xFF}), signer.signerExtensions.at(0).value);
    EXPECT_EQ((Oids{"1.2.840.113549.1.9.16.2.21", "1.2.840.113549.1.9.16.2.22"}), signer.verifierUnsignedAttrs);
    EXPECT_EQ((Bytes{0x0A, 0x01, 0x02}), signer.verifierExtensions.at(0).value);

    const PolicyTrustPoint& point = rules.signingCert.trustTrees.at(0);
    EXPECT_EQ(MakeFromText("asn1 = SEQUENCE:trust_root\n.include trust_root.cnf\n"), point.certificate);
    EXPECT_EQ(2, point.pathLength);
    EXPECT_EQ((Oids{"1.3.158.36061701.0.0.0.1.2.2", "0.4.0.194112.1.2"}), point.acceptablePolicies);
    EXPECT_EQ(1, point.requireExplicitPolicy);
    EXPECT_EQ(0, point.inhibitPolicyMapping);
    const auto& permitted = point.nameConstraints.permitted;
    ASSERT_EQ(3u, permitted.size());
    EXPECT_EQ(Ansi("C=CZ, O=Úřad pro podpisy"), permitted[0].directoryName);
    EXPECT_EQ(3u, permitted[0].maximum);
    EXPECT_EQ("tesk.example", permitted[1].rfc822Name);
    EXPECT_EQ((Bytes{0x81, 0x0C, 't', 'e', 's', 'k', '.', 'e', 'x', 'a', 'm', 'p', 'l', 'e'}), permitted[1].baseDer);
    EXPECT_EQ(".tesk.example", permitted[2].dnsName);
    EXPECT_EQ(1u, permitted[2].minimum);
    ASSERT_EQ(2u, point.nameConstraints.excluded.size());
    EXPECT_EQ("http://untrusted.example/", point.nameConstraints.excluded[0].uri);
    EXPECT_EQ("1.3.6.1.4.1.32473.99", point.nameConstraints.excluded[1].registeredId);
    // The six EnuRevReq values, one in each requirement.
    EXPECT_EQ(kRevReqEitherCheck, rules.signingCert.revocation.endCertificate.requirement);
    EXPECT_EQ(kRevReqCrlCheck, rules.signingCert.revocation.caCertificates.requirement);
    EXPECT_EQ(1u, rules.signingCert.revocation.caCertificates.other.size());
    EXPECT_EQ(kRevReqOcspCheck, rules.timestamp.revocation.endCertificate.requirement);
    EXPECT_EQ(kRevReqBothCheck, rules.timestamp.revocation.caCertificates.requirement);
    EXPECT_EQ(kRevReqNoCheck, rules.attribute.revocation.endCertificate.requirement);
    EXPECT_EQ(kRevReqOther, rules.attribute.revocation.caCertificates.requirement);

    EXPECT_EQ(-1, rules.timestamp.trustTrees.at(0).pathLength);
    EXPECT_EQ(".tesk.example", rules.timestamp.nameConstraints.permitted.at(0).dnsName);
    EXPECT_EQ(30, rules.timestamp.cautionPeriod.minutes);
    EXPECT_EQ(1, rules.timestamp.cautionPeriod.days);
    EXPECT_EQ(15, rules.timestamp.signatureTimestampDelay.seconds);
    EXPECT_EQ(4, rules.timestamp.signatureTimestampDelay.hours);

    EXPECT_EQ(1u, rules.attribute.attributeMandated);
    EXPECT_EQ(kHowCertEither, rules.attribute.howCertified);
    EXPECT_EQ((Oids{"2.5.4.72", "2.5.4.12"}), rules.attribute.attributeTypes);
    const std::string role = "Účetní";
    EXPECT_EQ(Bytes(role.begin(), role.end()), rules.attribute.attributeValues.at(0).value);
    EXPECT_EQ((Bytes{0, 'J', 0, 'e', 0, 'd', 0, 'n', 0, 'a', 0, 't', 0, 'e', 0, 'l'}),
              rules.attribute.attributeValues.at(1).value);

    for (const auto* list : {&rules.algorithms.signer, &rules.algorithms.endEntity,
                             &rules.algorithms.attributeAuthority, &rules.algorithms.timestampAuthority}) {
        ASSERT_EQ(2u, list->size());
        EXPECT_EQ("2.16.840.1.101.3.4.2.1", (*list)[0].algorithm);
        EXPECT_EQ(2048u, (*list)[1].minKeyLength);
    }
    EXPECT_EQ("1.2.840.113549.1.1.13", rules.algorithms.ca.at(2).algorithm);
    EXPECT_EQ(3072u, rules.algorithms.ca[2].minKeyLength);
    EXPECT_EQ((Bytes{0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0A}),
              rules.algorithms.ca[2].other.at(0).value);
    EXPECT_EQ((Bytes{0x02, 0x01, 0x03}), rules.extensions.at(0).value);
}

TEST_F(SignPolicyDecoderTest, MinimalPolicyKeepsTheDefaultsAndHashesWithSha1) {
    const SignPolicyInfo info = Decoded("minimal.cnf");
    EXPECT_EQ("1.3.14.3.2.26", info.hashAlgOid);
    EXPECT_TRUE(info.storedHash.empty());
    EXPECT_TRUE(info.policyHashText.empty());
    EXPECT_EQ(OpensslPolicyHash(m_der), info.computedHash);
    EXPECT_EQ(20u, info.computedHash.size());
    EXPECT_EQ("CN=Tesk Policy Office", info.issuerName);
    EXPECT_TRUE(info.issuerSecondName.empty());
    EXPECT_EQ(Ansi("Obchodní podpis"), info.fieldOfApplication);
    EXPECT_EQ(0u, Ticks(info.signingNotAfter));
    EXPECT_TRUE(info.recognisedCommitmentRules.empty());
    EXPECT_EQ(kCertSignerOnly, info.commonRules.signerAndVerifier.mandatedCertificateRef);
    EXPECT_EQ(0u, info.commonRules.signerAndVerifier.mandatedSignedAttrsPresent);
    EXPECT_EQ(kHowCertAbsent, info.commonRules.attribute.howCertified);
    EXPECT_TRUE(info.commonRules.signingCert.trustTrees.empty());
}

// A policy built from chosen values reads back with them, its hash
// matching the one the decoder computes.
TEST_F(SignPolicyDecoderTest, BuiltPolicyReadsBackWithTheChosenValues) {
    namespace policy = testkit::policy;
    using testkit::pki::utc;
    static const testkit::pki::Hierarchy pki = testkit::pki::Hierarchy::make();
    policy::SignaturePolicy chosen;
    chosen.oid = "1.3.6.1.4.1.32473.10.1.9";
    chosen.hash = testkit::pki::Hash::Sha512;
    chosen.notBefore = utc("2025-03-01");
    chosen.notAfter = utc("2027-03-01T12:00:00Z");
    chosen.mandatedSignedAttrs = {policy::kContentType, policy::kSigningCertificateV2, policy::kSignaturePolicyId};
    chosen.mandatedUnsignedAttrs = {policy::kTimeStampToken};
    chosen.signerTrust = {pki.root.certificate};
    chosen.tsaTrust = {pki.qualifiedCa.certificate, pki.untrustedRoot.certificate};
    chosen.algorithms = {.signer = {{"2.16.840.1.101.3.4.2.3"}},
                         .endEntity = {{"1.2.840.113549.1.1.11", 2048}},
                         .timestampAuthority = {{"1.2.840.113549.1.1.13", 4096}}};
    m_der = policy::encode(chosen);
    SignPolicyInfo info;
    ASSERT_TRUE(DecodeSignPolicyBuffer(m_der.data(), static_cast<DWORD>(m_der.size()), info));

    EXPECT_EQ(chosen.oid, info.policyOid);
    EXPECT_EQ("2.16.840.1.101.3.4.2.3", info.hashAlgOid);
    EXPECT_EQ(64u, info.storedHash.size());
    EXPECT_EQ(info.computedHash, info.storedHash);
    EXPECT_EQ(Utc(2024, 1, 15, 0, 0, 0), Ticks(info.dateOfIssue));
    EXPECT_EQ(Utc(2025, 3, 1, 0, 0, 0), Ticks(info.signingNotBefore));
    EXPECT_EQ(Utc(2027, 3, 1, 12, 0, 0), Ticks(info.signingNotAfter));
    EXPECT_EQ("CN=Tesk Policy Office", info.issuerName);

    const PolicyCommonRules& rules = info.commonRules;
    EXPECT_EQ(chosen.mandatedSignedAttrs, rules.signerAndVerifier.mandatedSignedAttrs);
    EXPECT_EQ(chosen.mandatedUnsignedAttrs, rules.signerAndVerifier.mandatedUnsignedAttrs);
    ASSERT_EQ(1u, rules.signingCert.trustTrees.size());
    EXPECT_EQ(pki.root.certificate.der(), rules.signingCert.trustTrees[0].certificate);
    ASSERT_EQ(2u, rules.timestamp.trustTrees.size());
    EXPECT_EQ(pki.untrustedRoot.certificate.der(), rules.timestamp.trustTrees[1].certificate);
    EXPECT_EQ("2.16.840.1.101.3.4.2.3", rules.algorithms.signer.at(0).algorithm);
    EXPECT_EQ(0u, rules.algorithms.signer[0].minKeyLength);
    EXPECT_EQ(2048u, rules.algorithms.endEntity.at(0).minKeyLength);
    EXPECT_TRUE(rules.algorithms.ca.empty());
    EXPECT_EQ("1.2.840.113549.1.1.13", rules.algorithms.timestampAuthority.at(0).algorithm);
    EXPECT_EQ(4096u, rules.algorithms.timestampAuthority[0].minKeyLength);

    // Left to its defaults, the policy has no end and no trust conditions.
    m_der = policy::encode({});
    SignPolicyInfo plain;
    ASSERT_TRUE(DecodeSignPolicyBuffer(m_der.data(), static_cast<DWORD>(m_der.size()), plain));
    EXPECT_EQ(0u, Ticks(plain.signingNotAfter));
    EXPECT_EQ(plain.computedHash, plain.storedHash);
    EXPECT_TRUE(plain.commonRules.signingCert.trustTrees.empty());
    EXPECT_TRUE(plain.commonRules.timestamp.trustTrees.empty());
}

// The stored hash is kept as it is, never judged; it must not be empty,
// and the hash algorithm must be one that can be computed.
TEST_F(SignPolicyDecoderTest, StoredHashAndHashAlgorithm) {
    const SignPolicyInfo other = Decoded("qualified.cnf", {{kHashLine, "hash = FORMAT:HEX,OCTETSTRING:00112233"}});
    EXPECT_EQ("0011 2233", other.policyHashText);
    EXPECT_EQ(OpensslPolicyHash(m_der), other.computedHash);

    Decoded("qualified.cnf", {{kHashLine, "hash = OCTETSTRING:"}}, false);
    const SignPolicyInfo unknown =
        Decoded("qualified.cnf", {{"algorithm = OID:sha256", "algorithm = OID:1.3.6.1.4.1.32473.10.9"}}, false);
    EXPECT_EQ(1u, unknown.commonRules.signingCert.trustTrees.size());
    EXPECT_TRUE(unknown.computedHash.empty());
}

// A damaged part of the common rules is not fatal: what came before it
// stays, what follows keeps its defaults, and the log says so.
TEST_F(SignPolicyDecoderTest, DamagedCommonRulesKeepEarlierPartsAndAreLogged) {
    const PolicyCommonRules rules =
        Decoded("qualified.cnf", {{"certRef = EXPLICIT:0,ENUMERATED:2", "certRef = EXPLICIT:0,ENUMERATED:3"}})
            .commonRules;
    EXPECT_EQ(5u, rules.signerAndVerifier.mandatedSignedAttrs.size());
    EXPECT_EQ(kCertSignerOnly, rules.signerAndVerifier.mandatedCertificateRef);
    EXPECT_TRUE(rules.signingCert.trustTrees.empty());
    EXPECT_TRUE(rules.algorithms.signer.empty());
    ASSERT_EQ(1u, LogLines().size());
    EXPECT_TRUE(IsLogLine(LogLines()[0], sgLogLevelWarns,
                          "Decode(): common rules of policy '1.3.6.1.4.1.32473.10.1.1' damaged, later rules keep their "
                          "defaults"));
}

// The validation policy's extensions after a failing commitment rule do not
// undo the failure.
TEST_F(SignPolicyDecoderTest, FailingCommitmentRuleFailsTheDecode) {
    Decoded("qualified.cnf", {{"empty = NULL", ""}}, false);
}

TEST_F(SignPolicyDecoderTest, LongOidListYieldsEveryOidTheLastIncluded) {
    std::string many;
    for (int i = 0; i < 300; ++i) many += "a" + std::to_string(i) + " = OID:1.2." + std::to_string(i) + "\n";
    const Oids oids = Decoded("qualified.cnf", {{"contentType = OID:1.2.840.113549.1.9.3", many}})
                          .commonRules.signerAndVerifier.mandatedSignedAttrs;
    ASSERT_EQ(304u, oids.size());
    EXPECT_EQ("1.2.299", oids[299]);
    EXPECT_EQ("1.2.840.113549.1.9.16.2.15", oids.back());
}

// An issuer name of 128 bytes or more has a long-form length. The second
// name is [6] IA5 text as RFC 3125 tags it, or a string wrapped in [6];
// anything but IA5 text in the implicit form is refused.
TEST_F(SignPolicyDecoderTest, IssuerNamesOfAnyLengthAndEitherTagging) {
    const std::string longName = "Tesk Certifikační autorita " + std::string(200, 'x');
    const SignPolicyInfo info = Decoded("qualified.cnf", {{"value = FORMAT:UTF8,UTF8String:Tesk Certifikační autorita",
                                                           "value = FORMAT:UTF8,UTF8String:" + longName}});
    EXPECT_EQ(Ansi(longName), info.issuerNameAttrs.at(1).value);
    EXPECT_EQ("http://www.tesk.example/policies/qes1.der", info.issuerSecondName);

    const std::string uri = "uri = IMPLICIT:6,IA5STRING:http://www.tesk.example/policies/qes1.der";
    EXPECT_EQ(Ansi("Úřad pro podpisy"),
              Decoded("qualified.cnf", {{uri, "uri = EXPLICIT:6,FORMAT:UTF8,UTF8String:Úřad pro podpisy"}})
                  .issuerSecondName);
    Decoded("qualified.cnf", {{uri, "uri = IMPLICIT:6,FORMAT:UTF8,UTF8String:Úřad"}}, false);
}

// SkipCerts in the implicit form is the whole INTEGER, not its first byte;
// an empty or negative value refuses the trust point. OID arcs beyond 64
// bits are read whole too.
TEST_F(SignPolicyDecoderTest, ValuesAreReadWholeAndChecked) {
    const std::string line = "requireExplicitPolicy = EXPLICIT:0,INTEGER:1";
    EXPECT_EQ(300, Decoded("qualified.cnf", {{line, "requireExplicitPolicy = IMPLICIT:0,INTEGER:300"}})
                       .commonRules.signingCert.trustTrees.at(0)
                       .requireExplicitPolicy);
    for (const char* damaged : {"requireExplicitPolicy = IMPLICIT:0,OCTETSTRING:", "requireExplicitPolicy = EXPLICIT:0,INTEGER:-1"})
        EXPECT_TRUE(Decoded("qualified.cnf", {{line, damaged}}).commonRules.signingCert.trustTrees.empty()) << damaged;
    const std::string identifier = "identifier = OID:1.3.6.1.4.1.32473.10.1.1";
    for (const std::string oid :
         {"2.25.329800735698586629295641978511506172918", "1.3.6.1.4.1.32473.18446744073709551616"})
        EXPECT_EQ(oid, Decoded("qualified.cnf", {{identifier, "identifier = OID:" + oid}}).policyOid);
}

}  // namespace

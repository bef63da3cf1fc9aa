// What TPkcs7 tells about a signer: algorithms, signing time, signature,
// attribute values, the signing-certificate hashes of openssl ts tokens, and
// the signature-policy identifier and time-stamp token of messages put
// together with those attributes.
#include <gtest/gtest.h>

#include <chrono>

#include "common/pkcs7.h"
#include "common/strings.h"
#include "pkcs7_fixtures.h"

using namespace pkcs7_test;

namespace {

class Pkcs7Signer : public Pkcs7Test {};

TPkcs7 opened(const Bytes& message) {
    TPkcs7 reader;
    EXPECT_EQ(0u, reader.Open(message));
    return reader;
}

std::string spacedHexOf(const Bytes& bytes) { return BytesToHex(bytes.data(), bytes.size(), 2, " "); }

// Seconds since 1970 of a FILETIME.
long long unixOf(const FILETIME& ft) {
    return static_cast<long long>((ULONGLONG{ft.dwHighDateTime} << 32 | ft.dwLowDateTime) / 10000000ull) -
           11644473600ll;
}

Bytes signingCertificate(const Bytes& hash) {
    return attribute(kSigningCertificate, {sequence({sequence({sequence({octets(hash)})})})});
}

}  // namespace

TEST_F(Pkcs7Signer, SignerOfAnOpensslMessage) {
    const Samples& s = samples();
    const TPkcs7 reader = opened(s.attached);
    std::string oid;
    EXPECT_EQ(0u, reader.GetSignerHashAlgOid(0, oid));
    EXPECT_EQ(kSha256, oid);
    EXPECT_EQ(0u, reader.GetSignerSignAlgOid(0, oid));
    EXPECT_EQ("1.2.840.113549.1.1.1", oid);
    FILETIME signedAt{};
    EXPECT_EQ(0u, reader.GetSignerSigningTime(0, signedAt));
    const long long now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(now, unixOf(signedAt), 3600);
    Bytes signature;
    EXPECT_EQ(0u, reader.GetSignerSignature(0, signature));
    EXPECT_EQ(256u, signature.size());
    EXPECT_NE(s.attached.end(), std::search(s.attached.begin(), s.attached.end(), signature.begin(), signature.end()));

    std::vector<std::vector<BYTE>> values;
    EXPECT_EQ(0u, reader.GetSignerAttributeValues(0, CMSG_SIGNER_AUTH_ATTR_PARAM, "1.2.840.113549.1.9.4", values));
    EXPECT_EQ(std::vector<Bytes>{octets(digestOf("sha256", s.content))}, values);
    // A parameter that is no attribute list is refused, not misread.
    EXPECT_EQ(505u, reader.GetSignerAttributeValues(0, CMSG_SIGNER_INFO_PARAM, "1.2.840.113549.1.9.4", values));
    EXPECT_TRUE(values.empty());
}

TEST_F(Pkcs7Signer, MissingSignerOrAttribute) {
    FILETIME time{};
    Bytes bytes;
    std::string hash, oid;
    std::vector<std::vector<BYTE>> values;
    SignPolicyId policy;
    const TPkcs7 one = opened(samples().attached);
    EXPECT_EQ(1023u, one.GetSignerSigningTime(1, time));
    EXPECT_EQ(1023u, one.GetSignerSignature(1, bytes));
    EXPECT_EQ(1023u, one.GetSignerPolicyId(1, policy));
    EXPECT_EQ(505u, one.GetSignerHashAlgOid(1, oid));  // only CryptoAPI's index check

    const TPkcs7 bare = opened(samples().noAttributes);
    EXPECT_EQ(505u, bare.GetSignerSigningTime(0, time));
    EXPECT_EQ(508u, bare.GetSignerAttributeValues(0, CMSG_SIGNER_AUTH_ATTR_PARAM, "1.2.840.113549.1.9.5", values));
    EXPECT_EQ(904u, bare.GetSignerTimeStampToken(0, bytes));
    EXPECT_EQ(509u, bare.GetSignerSigningCertHash(0, hash, 1));
    EXPECT_EQ(509u, bare.GetSignerSigningCertHashV2(0, oid, hash, 1));
    EXPECT_EQ(3201u, bare.GetSignerPolicyId(0, policy));

    // An attribute without values is passed over.
    const TPkcs7 empty = opened(crafted({attribute("1.2.840.113549.1.9.5", {})}));
    EXPECT_EQ(505u, empty.GetSignerSigningTime(0, time));
    EXPECT_EQ(508u, empty.GetSignerAttributeValues(0, CMSG_SIGNER_AUTH_ATTR_PARAM, "1.2.840.113549.1.9.5", values));
}

TEST_F(Pkcs7Signer, SigningCertificateHashesOfTimeStampTokens) {
    const Samples& s = samples();
    const Bytes& tsa = s.pki.tsa.certificate.der();
    std::string hash, oid;
    const TPkcs7 v1 = opened(s.tokenV1);
    EXPECT_EQ(0u, v1.GetSignerSigningCertHash(0, hash, 1));
    EXPECT_EQ(spacedHexOf(digestOf("sha1", tsa)), hash);
    EXPECT_EQ(0u, v1.GetSignerSigningCertHash(0, hash, 0));
    std::string base64 = textOf(openssl({"base64"}, fs::temp_directory_path(), textOf(digestOf("sha1", tsa))));
    ReplaceAll(base64, "\n", "\r\n");
    EXPECT_EQ(base64, hash);
    EXPECT_EQ(509u, v1.GetSignerSigningCertHashV2(0, oid, hash, 1));

    const TPkcs7 v2 = opened(s.tokenV2);  // no hash algorithm: SHA-256
    EXPECT_EQ(0u, v2.GetSignerSigningCertHashV2(0, oid, hash, 1));
    EXPECT_EQ(kSha256, oid);
    EXPECT_EQ(spacedHexOf(digestOf("sha256", tsa)), hash);
    EXPECT_EQ(509u, v2.GetSignerSigningCertHash(0, hash, 1));
    const TPkcs7 v2Sha384 = opened(s.tokenV2Sha384);
    EXPECT_EQ(0u, v2Sha384.GetSignerSigningCertHashV2(0, oid, hash, 1));
    EXPECT_EQ("2.16.840.1.101.3.4.2.2", oid);
    EXPECT_EQ(spacedHexOf(digestOf("sha384", tsa)), hash);

    hash = "unchanged";
    const Bytes twice = crafted({signingCertificate(Bytes(20, 0x11)), signingCertificate(Bytes(20, 0x22))});
    EXPECT_EQ(515u, opened(twice).GetSignerSigningCertHash(0, hash, 1));
    EXPECT_EQ("unchanged", hash);
}

TEST_F(Pkcs7Signer, PolicyIdentifierAndTimeStampToken) {
    const Samples& s = samples();
    const Bytes message =
        crafted({attribute(kSignaturePolicyId, {s.policyValue})}, {attribute(kTimeStampToken, {s.tokenV2})});
    EXPECT_TRUE(opensslVerifies(message));
    const TPkcs7 reader = opened(message);
    SignPolicyId policy;
    ASSERT_EQ(0u, reader.GetSignerPolicyId(0, policy));
    EXPECT_EQ("1.3.158.36061701.1.2.3", policy.policyOid);
    EXPECT_EQ("http://tesk.example/policy.der", policy.uri);
    EXPECT_EQ("Tesk", policy.noticeOrganization);
    EXPECT_EQ("123", policy.noticeNumbers);
    EXPECT_EQ("Qualified signature", policy.explicitText);
    EXPECT_EQ(kSha256, policy.hashAlgOid);
    EXPECT_EQ("A1B2 C3D4 E5F6 0718", policy.hashText);
    EXPECT_EQ(s.policyValue, policy.attributeValue);
    Bytes token;
    EXPECT_EQ(0u, reader.GetSignerTimeStampToken(0, token));
    EXPECT_EQ(s.tokenV2, token);
    Bytes tstInfo;  // the token's content is its TSTInfo
    EXPECT_EQ(0u, opened(token).GetContent(tstInfo));
    EXPECT_EQ(0x30, tstInfo.at(0));
}

TEST_F(Pkcs7Signer, ImpliedPolicyIsANullAndNothingElse) {
    SignPolicyId policy;
    ASSERT_EQ(0u, opened(crafted({attribute(kSignaturePolicyId, {tlv(0x05, {})})})).GetSignerPolicyId(0, policy));
    EXPECT_EQ("", policy.policyOid);
    EXPECT_EQ((Bytes{0x05, 0x00}), policy.attributeValue);
    // A NULL with content, or a value that decodes to no identifier, is no policy; the record stays.
    for (const Bytes& value : {tlv(0x05, {0x00}), sequence({}), sequence({oid("1.2.3.4")})}) {
        SignPolicyId kept;
        kept.policyOid = "kept";
        EXPECT_EQ(3201u, opened(crafted({attribute(kSignaturePolicyId, {value})})).GetSignerPolicyId(0, kept));
        EXPECT_EQ("kept", kept.policyOid);
    }
}

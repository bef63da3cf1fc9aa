// The readers of a signed message's signature-policy identifier, over the
// attribute value of policy_identifier.cnf and variants of it.
#include <cstddef>

#include "common/sign_policy_decoder.h"
#include "platform/text.h"
#include "sign_policy_fixture.h"
#include "win32/crypt_encode.h"

namespace {

using namespace policy_test;

// The elements of a SEQUENCE as the platform splits it.
std::vector<Bytes> ElementsOf(const Bytes& der) {
    DWORD size = 0;
    CryptDecodeObject(X509_ASN_ENCODING, X509_SEQUENCE_OF_ANY, der.data(), static_cast<DWORD>(der.size()), 0, nullptr,
                      &size);
    std::vector<std::max_align_t> buffer(size / sizeof(std::max_align_t) + 1);
    if (!CryptDecodeObject(X509_ASN_ENCODING, X509_SEQUENCE_OF_ANY, der.data(), static_cast<DWORD>(der.size()), 0,
                           buffer.data(), &size))
        return {};
    const auto& sequence = *reinterpret_cast<const CRYPT_SEQUENCE_OF_ANY*>(buffer.data());
    std::vector<Bytes> elements;
    for (const CRYPT_DER_BLOB& value : std::span(sequence.rgValue, sequence.cValue))
        elements.emplace_back(value.pbData, value.pbData + value.cbData);
    return elements;
}

class SignPolicyIdTest : public PolicyTest {
protected:
    // sigPolicyId, sigPolicyHash, sigPolicyQualifiers.
    std::vector<Bytes> Parts(const std::vector<Edit>& edits = {}) {
        std::vector<Bytes> parts = ElementsOf(Make("policy_identifier.cnf", edits));
        EXPECT_EQ(3u, parts.size());
        parts.resize(3);
        return parts;
    }
    const TSignPolicyDecoder m_decoder;
    const std::string m_organization = "organization = FORMAT:UTF8,UTF8String:Tesk Certifikační autorita";
};

TEST_F(SignPolicyIdTest, PolicyOidAndHash) {
    const std::vector<Bytes> parts = Parts();
    SignPolicyId id;
    EXPECT_TRUE(m_decoder.DecodePolicyOid(parts[0], id));
    EXPECT_EQ("1.3.6.1.4.1.32473.10.1.1", id.policyOid);
    EXPECT_TRUE(m_decoder.DecodePolicyHash(parts[1], id));
    EXPECT_EQ("2.16.840.1.101.3.4.2.1", id.hashAlgOid);
    EXPECT_EQ("A1B2 C3D4 E5F6", id.hashText);
    std::string oid;
    EXPECT_TRUE(m_decoder.DecodeFirstOid(ElementsOf(parts[2]).at(1), oid));
    EXPECT_EQ("1.2.840.113549.1.9.16.5.2", oid);
    EXPECT_FALSE(m_decoder.DecodePolicyOid(parts[1], id));

    const std::string value = "hashValue = FORMAT:HEX,OCTETSTRING:A1B2C3D4E5F6";
    EXPECT_FALSE(m_decoder.DecodePolicyHash(Parts({{value, "hashValue = IA5STRING:A1B2"}})[1], id));
    EXPECT_FALSE(m_decoder.DecodePolicyHash(Parts({{value, value + "\nextra = NULL"}})[1], id));
}

TEST_F(SignPolicyIdTest, QualifiersGiveUriNoticeReferenceAndText) {
    SignPolicyId id;
    EXPECT_TRUE(m_decoder.DecodePolicyQualifiers(Parts()[2], id));
    EXPECT_EQ("http://www.tesk.example/policies/qes1.der", id.uri);
    EXPECT_EQ(platform::text::utf8ToAnsi("Tesk Certifikační autorita"), id.noticeOrganization);
    EXPECT_EQ("123", id.noticeNumbers);
    EXPECT_EQ(platform::text::utf8ToAnsi("Podpis podle politiky kvalifikovaného podpisu"), id.explicitText);

    SignPolicyId visible;
    EXPECT_TRUE(m_decoder.DecodePolicyQualifiers(Parts({{m_organization, "organization = VISIBLESTRING:Tesk"}})[2], visible));
    EXPECT_EQ("Tesk", visible.noticeOrganization);
}

// Notice texts are RFC 2459's DisplayText (UTF8String, VisibleString,
// BMPString); the result is that of the last qualifier.
TEST_F(SignPolicyIdTest, LastQualifierDecides) {
    const Edit ia5{m_organization, "organization = IA5STRING:Tesk"};
    SignPolicyId id;
    EXPECT_FALSE(m_decoder.DecodePolicyQualifiers(Parts({ia5})[2], id));
    EXPECT_TRUE(m_decoder.DecodePolicyQualifiers(
        Parts({ia5, {"uri = SEQUENCE:uri_qualifier\nnotice = SEQUENCE:notice_qualifier",
                     "notice = SEQUENCE:notice_qualifier\nuri = SEQUENCE:uri_qualifier"}})[2],
        id));
}

}  // namespace

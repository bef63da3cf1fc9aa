// Decoding the parts of a certificate: PEM armour and Base64, DER lengths,
// names as attribute lists and as signature text, alternative names and the
// other extensions, checked against certificates made by OpenSSL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "certificate_support.h"
#include "common/der_length.h"
#include "common/names.h"
#include "common/pem.h"

namespace {

using namespace certificate_support;
using pki::CertificateBuilder;
using pki::GeneralName;
using pki::StringType;

pki::Certificate plainCertificate(pki::CertificateBuilder builder = {}) {
    return builder.subject(pki::Name{{"C", "CZ", StringType::Printable}, {"O", "Tesk"}, {"CN", "Jan Novák"}})
        .build()
        .certificate;
}

TEST(Pem, ArmourAroundBase64AndBack) {
    EXPECT_EQ("-----BEGIN CERTIFICATE-----\nQUJD\n-----END CERTIFICATE-----\n", TAsn1Coder::CertToPem("QUJD\n"));
    EXPECT_EQ("QUJDREVG",
              PemStripArmour("-----BEGIN CERTIFICATE-----\r\nQUJD\r\nREVG\r\n-----END CERTIFICATE-----\r\n"));

    const auto der = plainCertificate().der();
    std::string base64;
    ASSERT_EQ(1u, Base64ConvertVector(der, base64, kBase64RecordFlags));
    std::vector<BYTE> decoded = {0xFF};
    ASSERT_EQ(1u, Base64DecodeString(PemStripArmour(TAsn1Coder::CertToPem(base64)), decoded));
    EXPECT_EQ(der, decoded);  // replaced, not appended to
}

TEST(Pem, FailedDecodingLeavesTheBytes) {
    std::vector<BYTE> out = {1, 2, 3};
    EXPECT_EQ(0u, Base64DecodeString("", out));
    EXPECT_EQ(0u, Base64DecodeString("Q=JD", out));
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), out);
    ASSERT_EQ(1u, Base64DecodeToBytes("QUJDREVG", 4, out));
    EXPECT_EQ((std::vector<BYTE>{'A', 'B', 'C'}), out);
}

TEST(DerLength, ShortAndLongFormsWithinTheBuffer) {
    DWORD length = 7;
    const BYTE longForm[] = {0x82, 0x01, 0x00};
    EXPECT_EQ(3u, DecodeDerLength(longForm, 3, &length));
    EXPECT_EQ(256u, length);
    const BYTE shortForm[] = {0x7F};
    EXPECT_EQ(1u, DecodeDerLength(shortForm, 1, &length));
    EXPECT_EQ(127u, length);
    const BYTE indefinite[] = {0x80};
    EXPECT_EQ(1u, DecodeDerLength(indefinite, 1, &length));
    EXPECT_EQ(0u, length);
    const BYTE threeBytes[] = {0x83, 0x01, 0x00, 0x00};
    EXPECT_EQ(4u, DecodeDerLength(threeBytes, 4, nullptr));

    length = 7;
    const BYTE fourBytes[] = {0x84, 0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(0u, DecodeDerLength(fourBytes, 5, &length));
    EXPECT_EQ(0u, DecodeDerLength(longForm, 2, &length));  // field runs past the buffer
    EXPECT_EQ(0u, DecodeDerLength(nullptr, 3, &length));
    EXPECT_EQ(7u, length);
}

TEST(NameAttributes, EncodedOrderAndSignatureText) {
    const Context context = contextOf(plainCertificate());
    std::vector<TRDNAttr> attributes = {TRDNAttr("earlier", 0, "")};
    ASSERT_NE(0u, TCryptoapi::DecodeObject(context->pCertInfo->Subject, attributes));
    ASSERT_EQ(4u, attributes.size());  // appended
    attributes.erase(attributes.begin());
    EXPECT_EQ("C", TCryptoapi::GetRdnShortName(attributes[0].oid, false));
    EXPECT_EQ("cn", TCryptoapi::GetRdnShortName(attributes[2].oid, true));
    EXPECT_EQ("", TCryptoapi::GetRdnShortName("1.2.3.4.5", false));
    EXPECT_EQ("cn=Jan Nov\xE1k,o=Tesk,c=CZ", RdnListToDnText(attributes));

    const BYTE garbage[] = {0x30, 0x05, 0x01};
    const CERT_NAME_BLOB broken = {sizeof garbage, const_cast<BYTE*>(garbage)};
    EXPECT_EQ(0u, TCryptoapi::DecodeObject(broken, attributes));
    EXPECT_EQ(3u, attributes.size());
}

std::vector<std::string> nameValuesOf(const std::vector<TRDNAttr>& names) {
    std::vector<std::string> values;
    for (const auto& name : names)
        values.push_back(name.oid + "|" + std::to_string(name.valueType) + "|" + name.value + "|" +
                         std::to_string(name.flags));
    return values;
}

TEST(AltNames, EveryChoiceAsOpensslPrintsIt) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot root;
    const auto certificate = plainCertificate(CertificateBuilder().subjectAltNames({
        GeneralName::rfc822("jan@tesk.cz"),
        GeneralName::dns("tesk.cz"),
        GeneralName::uri("http://tesk.cz/crl"),
        GeneralName::ip("10.0.0.1"),
        GeneralName::ip("::1"),
        GeneralName::otherName("1.2.3.4", "hello"),
        GeneralName::otherName("1.2.3.5", "Žluťoučký", StringType::Bmp),
        GeneralName::directory(pki::Name{{"CN", "Directory"}}),
    }));
    std::vector<TRDNAttr> names;
    ASSERT_NE(0u, TCryptoapi::GetAltNames(*contextOf(certificate)->pCertInfo, names));
    EXPECT_EQ((std::vector<std::string>{"2|7|jan@tesk.cz|0", "3|7|tesk.cz|0", "7|7|http://tesk.cz/crl|0",
                                        "8|7|10.0.0.1|0", "8|7|0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.1|0", "1.2.3.4|13|hello|1",
                                        "1.2.3.5|12|\x8Elu\x9Dou\xE8k\xFD|1"}),
              nameValuesOf(names));
    // The wide entries are the same, in UTF-16.
    std::vector<TRDNAttrW> wide;
    ASSERT_NE(0u, TCryptoapi::GetAltNames(*contextOf(certificate)->pCertInfo, wide));
    ASSERT_EQ(names.size(), wide.size());
    EXPECT_EQ(u"1.2.3.5", wide.back().oid);
    EXPECT_EQ(u"Žluťoučký", wide.back().value);
    EXPECT_EQ(u"jan@tesk.cz", wide.front().value);
    // OpenSSL prints the same entries (a BMP other name it leaves out).
    EXPECT_EQ(0u, lineAfter(openssl(root, certificate), "X509v3 Subject Alternative Name:")
                      .rfind("email:jan@tesk.cz, DNS:tesk.cz, URI:http://tesk.cz/crl, IP Address:10.0.0.1, "
                             "IP Address:0:0:0:0:0:0:0:1, othername: 1.2.3.4::hello, ",
                             0));
}

TEST(AltNames, NewerExtensionWinsOverTheObsoleteOne) {
    std::vector<TRDNAttr> names;
    const auto both = plainCertificate(CertificateBuilder()
                                           .obsoleteSubjectAltNames({GeneralName::dns("old.tesk.cz")})
                                           .subjectAltNames({GeneralName::dns("new.tesk.cz")}));
    ASSERT_NE(0u, TCryptoapi::GetAltNames(*contextOf(both)->pCertInfo, names));
    EXPECT_EQ(std::vector<std::string>{"3|7|new.tesk.cz|0"}, nameValuesOf(names));

    names.clear();
    const auto obsolete =
        plainCertificate(CertificateBuilder().obsoleteSubjectAltNames({GeneralName::dns("old.tesk.cz")}));
    ASSERT_NE(0u, TCryptoapi::GetAltNames(*contextOf(obsolete)->pCertInfo, names));
    EXPECT_EQ(std::vector<std::string>{"3|7|old.tesk.cz|0"}, nameValuesOf(names));

    EXPECT_EQ(0u, TCryptoapi::GetAltNames(*contextOf(plainCertificate())->pCertInfo, names));
    const auto onlyDirectory = plainCertificate(
        CertificateBuilder().subjectAltNames({GeneralName::directory(pki::Name{{"CN", "Directory"}})}));
    EXPECT_EQ(0u, TCryptoapi::GetAltNames(*contextOf(onlyDirectory)->pCertInfo, names));
    EXPECT_EQ(1u, names.size());
}

TEST(Extensions, PoliciesAndQcStatementsInCertificateOrder) {
    const auto certificate =
        plainCertificate(CertificateBuilder()
                             .policies({{std::string(pki::kQualifiedPolicy), "http://tesk.cz/cps",
                                         pki::UserNotice{"Tesk", {1, 2}, "Notice"}},
                                        {"2.5.29.32.0"}})
                             .qcStatements({{std::string(pki::kQcCompliance)},
                                            {"0.4.0.1862.1.6", {0x30, 0x05, 0x06, 0x03, 0x04, 0x00, 0x01}},
                                            {std::string(pki::kQcSscd)}}));
    const Context context = contextOf(certificate);
    std::vector<std::string> policies = {"kept"};
    ASSERT_EQ(1u, TCryptoapi::GetCertPolicies(context.get(), policies));
    EXPECT_EQ((std::vector<std::string>{"kept", std::string(pki::kQualifiedPolicy), "2.5.29.32.0"}), policies);
    std::vector<std::string> statements;
    ASSERT_EQ(1u, TCryptoapi::GetQcStatements(context.get(), statements));
    EXPECT_EQ((std::vector<std::string>{kQcComplianceOid, "0.4.0.1862.1.6", kQcSscdOid}), statements);

    const Context bare = contextOf(plainCertificate());
    EXPECT_EQ(0u, TCryptoapi::GetCertPolicies(bare.get(), policies));
    EXPECT_EQ(0u, TCryptoapi::GetCertPolicies(nullptr, policies));
    EXPECT_EQ(0u, TCryptoapi::GetQcStatements(bare.get(), statements));
    EXPECT_EQ(3u, policies.size());
    EXPECT_EQ(3u, statements.size());
}

TEST(Extensions, ExtendedKeyUsageList) {
    std::vector<TRDNAttr> usages;
    EXPECT_EQ(1u, TCryptoapi::GetEnhancedKeyUsage(contextOf(plainCertificate()).get(), usages));
    EXPECT_TRUE(usages.empty());
    const auto certificate = plainCertificate(
        CertificateBuilder().extendedKeyUsage({std::string(pki::kTimeStamping), std::string(pki::kClientAuth)}));
    EXPECT_EQ(1u, TCryptoapi::GetEnhancedKeyUsage(contextOf(certificate).get(), usages));
    ASSERT_EQ(2u, usages.size());
    EXPECT_EQ(pki::kTimeStamping, usages[0].oid);
    EXPECT_EQ(pki::kClientAuth, usages[1].oid);
}

// The authority writes its extension as a UTF-8 or an IA5 string; a UTF-8
// value reaches the caller as ANSI text like every other name value.
TEST(Extensions, AuthorityExtensionAsText) {
    std::string text = "kept";
    EXPECT_EQ(0u, TCryptoapi::GetMakerExtension(contextOf(plainCertificate()).get(), text));
    EXPECT_EQ("kept", text);
    const auto utf8 = plainCertificate(CertificateBuilder().authorityExtension("Párové číslo 42"));
    EXPECT_EQ(1u, TCryptoapi::GetMakerExtension(contextOf(utf8).get(), text));
    EXPECT_EQ("P\xE1rov\xE9 \xE8\xEDslo 42", text);
    const auto ia5 = plainCertificate(CertificateBuilder().authorityExtension("42", StringType::Ia5));
    EXPECT_EQ(1u, TCryptoapi::GetMakerExtension(contextOf(ia5).get(), text));
    EXPECT_EQ("42", text);

    // Wide text keeps what the ANSI page has no character for.
    std::u16string wide = u"kept";
    EXPECT_FALSE(TCryptoapi::GetMakerExtension(contextOf(plainCertificate()).get(), wide));
    EXPECT_EQ(u"kept", wide);
    const auto omega = plainCertificate(CertificateBuilder().authorityExtension("Ω 42"));
    EXPECT_TRUE(TCryptoapi::GetMakerExtension(contextOf(omega).get(), wide));
    EXPECT_EQ(u"Ω 42", wide);

    // A value that is no character string is there, but has no text.
    const auto integer = plainCertificate(
        CertificateBuilder().extension({std::string(pki::kAuthorityExtension), false, {0x02, 0x01, 0x05}}));
    EXPECT_EQ(1u, TCryptoapi::GetMakerExtension(contextOf(integer).get(), text));
    EXPECT_EQ("", text);
    EXPECT_TRUE(TCryptoapi::GetMakerExtension(contextOf(integer).get(), wide));
    EXPECT_EQ(u"", wide);
}

TEST(Extensions, KeyIdentifiersReplaceTheOutput) {
    std::vector<BYTE> id = {9};
    const Context bare = contextOf(plainCertificate(CertificateBuilder().keyIdentifiers(false)));
    EXPECT_EQ(0u, TCryptoapi::GetKeyIdentifiers(bare.get(), kSubjectKeyId, id));
    EXPECT_EQ(0u, TCryptoapi::GetKeyIdentifiers(bare.get(), kAuthorityKeyId, id));
    EXPECT_EQ(std::vector<BYTE>{9}, id);
    // Self-signed: both identifiers name the same key.
    const Context context = contextOf(plainCertificate());
    std::vector<BYTE> subject = {9};
    ASSERT_EQ(1u, TCryptoapi::GetKeyIdentifiers(context.get(), kSubjectKeyId, subject));
    ASSERT_EQ(1u, TCryptoapi::GetKeyIdentifiers(context.get(), kAuthorityKeyId, id));
    EXPECT_EQ(20u, subject.size());
    EXPECT_EQ(subject, id);
}

}  // namespace

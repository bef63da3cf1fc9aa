// What the certificate builder makes, as `openssl` reads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "openssl_peer.h"

namespace testkit::pki {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(CertificateBuilder, ExtensionsAreWhatWasAsked) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    const auto made = CertificateBuilder()
                          .subject({{"CN", "Everything"}})
                          .basicConstraints({.ca = true, .pathLength = 2, .critical = false})
                          .keyUsage(kDecipherOnly)
                          .extendedKeyUsage({std::string(kClientAuth), "1.2.3.4.5"}, true)
                          .policies({{std::string(kQualifiedPolicy), "http://127.0.0.1/cps",
                                      UserNotice{"Tesk", {1, 2}, "Qualified only"}},
                                     {"1.3.158.36061701.1.1.1"}})
                          .subjectAltNames({GeneralName::otherName("1.3.6.1.4.1.311.20.2.3", "upn@tesk.example"),
                                            GeneralName::rfc822("user@tesk.example"), GeneralName::dns("tesk.example"),
                                            GeneralName::uri("http://127.0.0.1/user"), GeneralName::ip("10.1.2.3"),
                                            GeneralName::ip("fe80::1"),
                                            GeneralName::directory({{"CN", "Directory Entry"}})})
                          .crlDistributionPoints({"http://127.0.0.1:8080/ca.crl"})
                          .authorityInfoAccess({{std::string(kOcsp), "http://127.0.0.1/ocsp"},
                                                {std::string(kCaIssuers), "http://127.0.0.1/ca.cer"}})
                          .policyConstraints({.requireExplicitPolicy = 0, .inhibitPolicyMapping = 1})
                          .policyMappings({{"1.2.3.1", "1.2.3.2"}})
                          .inhibitAnyPolicy(2)
                          .build();
    const auto text = peer.text(made.certificate);
    EXPECT_THAT(text, HasSubstr("Version: 3 (0x2)"));
    EXPECT_THAT(text, HasSubstr("X509v3 Basic Constraints: \n                CA:TRUE, pathlen:2\n"));
    EXPECT_THAT(text, HasSubstr("X509v3 Key Usage: critical\n                Decipher Only\n"));
    EXPECT_THAT(text, HasSubstr("X509v3 Extended Key Usage: critical\n"
                                "                TLS Web Client Authentication, 1.2.3.4.5\n"));
    EXPECT_THAT(text, HasSubstr("Policy: 1.3.158.36061701.0.0.0.1.2.2\n"
                                "                  CPS: http://127.0.0.1/cps\n"
                                "                  User Notice:\n"
                                "                    Organization: Tesk\n"
                                "                    Numbers: 1, 2\n"
                                "                    Explicit Text: Qualified only\n"
                                "                Policy: 1.3.158.36061701.1.1.1\n"));
    EXPECT_THAT(text, HasSubstr("othername: UPN::upn@tesk.example, email:user@tesk.example, DNS:tesk.example, "
                                "URI:http://127.0.0.1/user, IP Address:10.1.2.3, IP Address:FE80:0:0:0:0:0:0:1, "
                                "DirName:/CN=Directory Entry\n"));
    EXPECT_THAT(text, HasSubstr("Full Name:\n                  URI:http://127.0.0.1:8080/ca.crl\n"));
    EXPECT_THAT(text, HasSubstr("OCSP - URI:http://127.0.0.1/ocsp\n"));
    EXPECT_THAT(text, HasSubstr("CA Issuers - URI:http://127.0.0.1/ca.cer\n"));
    EXPECT_THAT(text, HasSubstr("X509v3 Policy Constraints: critical\n"
                                "                Require Explicit Policy:0, Inhibit Policy Mapping:1\n"));
    EXPECT_THAT(text, HasSubstr("X509v3 Policy Mappings: critical\n                1.2.3.1:1.2.3.2\n"));
    EXPECT_THAT(text, HasSubstr("X509v3 Inhibit Any Policy: critical\n                2\n"));
    EXPECT_THAT(text, HasSubstr("X509v3 Subject Key Identifier"));
    EXPECT_THAT(text, HasSubstr("X509v3 Authority Key Identifier"));
}

TEST(CertificateBuilder, AuthorityOwnExtensionsAndStatementsCarryTheirValues) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    const auto made = CertificateBuilder()
                          .subject({{"CN", "Statements"}})
                          .qcStatements({{std::string(kQcCompliance)},
                                         {std::string(kQcSscd)},
                                         {"1.2.3.4", {0x02, 0x01, 0x07}}})
                          .authorityExtension("pair 42", StringType::Printable)
                          .subjectAltNames({GeneralName::otherName("1.2.3.5", "wide", StringType::Bmp)})
                          .obsoleteSubjectAltNames({GeneralName::dns("old.tesk.example")})
                          .extension({"1.2.3.6", true, {0x05, 0x00}})
                          .build();
    const auto statements = peer.extension(made.certificate, "qcStatements");
    EXPECT_THAT(statements, HasSubstr(":0.4.0.1862.1.1"));
    EXPECT_THAT(statements, HasSubstr(":0.4.0.1862.1.4"));
    EXPECT_THAT(statements, HasSubstr("OBJECT            :1.2.3.4\n"));
    EXPECT_THAT(statements, HasSubstr("INTEGER           :07\n"));
    EXPECT_THAT(peer.extension(made.certificate, std::string(kAuthorityExtension)),
                HasSubstr("PRINTABLESTRING   :pair 42\n"));
    EXPECT_THAT(peer.extension(made.certificate, "X509v3 Subject Alternative Name"), HasSubstr("BMPSTRING"));
    const auto text = peer.text(made.certificate);
    EXPECT_THAT(text, HasSubstr("2.5.29.7: \n                0...old.tesk.example\n"));
    EXPECT_THAT(text, HasSubstr("1.2.3.6: critical\n"));
}

TEST(CertificateBuilder, NameKeepsOrderStringTypesAndMultiValuedRdns) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    Name name{{"C", "SK", StringType::Printable}, {"O", "Žilina s.r.o."}};
    name.addMultiValued({{"CN", "Ján Novák", StringType::Bmp}, {"serialNumber", "PNOSK-1234", StringType::Printable}})
        .add({"emailAddress", "jan@tesk.example", StringType::Ia5});
    const auto made =
        CertificateBuilder().subject(name).issuerName({{"CN", "Written Issuer", StringType::Printable}}).build();
    const auto file = peer.write("named.der", made.certificate.der());
    const auto shown = peer.run({"x509", "-inform", "DER", "-in", file, "-noout", "-subject", "-issuer", "-nameopt",
                                 "sep_comma_plus,show_type,utf8,-esc_msb"});
    EXPECT_EQ(0, shown.exitCode) << shown.err;
    // DER orders the members of a multi-valued RDN by their encoding.
    EXPECT_EQ("subject=C=PRINTABLESTRING:SK,O=UTF8STRING:Žilina s.r.o.,"
              "serialNumber=PRINTABLESTRING:PNOSK-1234+CN=BMPSTRING:Ján Novák,"
              "emailAddress=IA5STRING:jan@tesk.example\n"
              "issuer=CN=PRINTABLESTRING:Written Issuer\n",
              shown.out);
}

TEST(CertificateBuilder, SerialHighBitGetsLeadingZeroAndLongSerialsStay) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    for (const Bytes& serial : {Bytes{0x80, 0x01}, Bytes(24, 0x5A)}) {
        SCOPED_TRACE(hex(serial));
        const auto made = CertificateBuilder().subject({{"CN", "Serial"}}).serial(serial).build();
        const auto file = peer.write("serial.der", made.certificate.der());
        const auto parsed = peer.run({"asn1parse", "-inform", "DER", "-in", file});
        // Content length one more than the magnitude when its top bit is set.
        const auto length = std::to_string(serial.size() + (serial[0] & 0x80 ? 1 : 0));
        EXPECT_THAT(parsed.out, HasSubstr("l=" + std::string(4 - length.size(), ' ') + length +
                                          " prim: INTEGER           :" + hex(serial) + "\n"));
        EXPECT_EQ(serial, made.certificate.serial());
    }
}

TEST(CertificateBuilder, ValidityHashAndVersionAreWhatWasAsked) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    const auto v1 = CertificateBuilder()
                        .subject({{"CN", "Old"}})
                        .version1()
                        .hash(Hash::Md5)
                        .validity(utc("2010-10-31"), utc("2050-01-01T12:30:00Z"))
                        .build();
    const auto text = peer.text(v1.certificate);
    EXPECT_THAT(text, HasSubstr("Version: 1 (0x0)"));
    EXPECT_THAT(text, Not(HasSubstr("X509v3")));
    EXPECT_THAT(text, HasSubstr("Signature Algorithm: md5WithRSAEncryption"));
    EXPECT_THAT(text, HasSubstr("Not Before: Oct 31 00:00:00 2010 GMT"));
    EXPECT_THAT(text, HasSubstr("Not After : Jan  1 12:30:00 2050 GMT"));
    // RFC 5280: UTCTime through 2049, GeneralizedTime from 2050.
    const auto parsed = peer.run({"asn1parse", "-inform", "DER", "-in", peer.write("v1.der", v1.certificate.der())});
    EXPECT_THAT(parsed.out, HasSubstr("UTCTIME           :101031000000Z"));
    EXPECT_THAT(parsed.out, HasSubstr("GENERALIZEDTIME   :20500101123000Z"));

    const std::pair<Hash, std::string> hashes[] = {{Hash::Sha1, "sha1WithRSAEncryption"},
                                                   {Hash::Sha256, "sha256WithRSAEncryption"},
                                                   {Hash::Sha384, "sha384WithRSAEncryption"},
                                                   {Hash::Sha512, "sha512WithRSAEncryption"}};
    for (const auto& [hash, name] : hashes) {
        const auto made = CertificateBuilder()
                              .subject({{"CN", "Hashed"}})
                              .hash(hash)
                              .validity(utc("2010-11-01T00:00:00Z"), fromNow(std::chrono::hours(1)))
                              .build();
        const auto shown = peer.text(made.certificate);
        EXPECT_THAT(shown, HasSubstr("Signature Algorithm: " + name));
        EXPECT_THAT(shown, HasSubstr("Not Before: Nov  1 00:00:00 2010 GMT"));
    }
}

TEST(CertificateBuilder, VersionOneRefusesExtensions) {
    EXPECT_THROW(CertificateBuilder().version1().keyUsage(kDigitalSignature).build(), std::logic_error);
}

}  // namespace
}  // namespace testkit::pki

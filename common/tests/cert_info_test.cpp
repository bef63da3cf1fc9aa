// The certificate description record: filled from certificates made by
// OpenSSL and checked against `openssl x509`, its class and secure-device
// rules, its key-provider data, and contexts made from it again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "certificate_support.h"
#include "common/base64.h"
#include "common/cert_context.h"
#include "common/log.h"
#include "common/pem.h"
#include "common/strings.h"
#include "win32/crypt_oid.h"

namespace {

using namespace certificate_support;
using pki::CertificateBuilder;
using pki::GeneralName;
using pki::StringType;

const std::vector<std::uint8_t> kHighBitSerial = {0x8a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78, 0x9a, 0x01};
const std::vector<std::uint8_t> kLowBitSerial = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0x10, 0x02};

std::vector<std::string> oidsOf(const std::vector<TRDNAttr>& list) {
    std::vector<std::string> oids;
    for (const auto& attr : list) oids.push_back(attr.oid);
    return oids;
}

pki::Credential qualifiedUser(const pki::Credential& ca) {
    return CertificateBuilder()
        .subject(pki::Name{{"C", "CZ", StringType::Printable}, {"O", "Tesk, a.s."}, {"CN", "Jan Novák"}})
        .issuedBy(ca)
        .serial(kHighBitSerial)
        .validity(pki::utc("2024-01-02T03:04:05Z"), pki::utc("2027-01-02T03:04:05Z"))
        .keyUsage(pki::kDigitalSignature | pki::kNonRepudiation)
        .extendedKeyUsage({std::string(pki::kClientAuth), std::string(pki::kEmailProtection)})
        .policies({{std::string(pki::kQualifiedPolicy)}})
        .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
        .subjectAltNames({GeneralName::rfc822("jan@tesk.cz"), GeneralName::dns("tesk.cz")})
        .authorityExtension("2468")
        .build();
}

TEST(CertInfoFill, EveryFieldOfAQualifiedCertificate) {
    testkit::PlatformRoot root;
    const auto ca = authority("Tesk Qualified CA");
    const auto user = qualifiedUser(ca);
    const CertInfo info = infoOf(user.certificate);

    EXPECT_EQ("", info.label);
    EXPECT_EQ("Jan Nov\xE1k", info.subjectSimpleName);  // Windows-1250
    // CryptoAPI's X.500 text keeps the encoded order of the attributes.
    EXPECT_EQ("C=CZ, O=\"Tesk, a.s.\", CN=Jan Nov\xE1k", info.subjectDn);
    EXPECT_EQ("Tesk Qualified CA", info.issuerSimpleName);
    EXPECT_EQ("C=CZ, O=Tesk a.s., CN=Tesk Qualified CA", info.issuerDn);
    const auto context = contextOf(user.certificate);
    const CERT_NAME_BLOB& subject = context->pCertInfo->Subject;
    EXPECT_EQ(std::vector<BYTE>(subject.pbData, subject.pbData + subject.cbData), info.subjectNameDer);
    EXPECT_EQ("008abcdef0123456789a01", info.serialHex);
    EXPECT_EQ(0xC0u, info.keyUsage);
    EXPECT_EQ(2u, info.version);
    EXPECT_EQ(fileTimeOf(pki::utc("2024-01-02T03:04:05Z")).dwLowDateTime, info.notBefore.dwLowDateTime);
    EXPECT_EQ(fileTimeOf(pki::utc("2024-01-02T03:04:05Z")).dwHighDateTime, info.notBefore.dwHighDateTime);
    EXPECT_EQ(fileTimeOf(pki::utc("2027-01-02T03:04:05Z")).dwHighDateTime, info.notAfter.dwHighDateTime);
    EXPECT_EQ(user.certificate.der(), info.der);
    EXPECT_EQ("2468", info.authorityExtension);
    EXPECT_EQ(1u, info.hasQcStatements);
    EXPECT_EQ((std::vector<std::string>{kQcComplianceOid, kQcSscdOid}), info.qcStatementOids);
    EXPECT_EQ(std::vector<std::string>{std::string(pki::kQualifiedPolicy)}, info.policyOids);
    EXPECT_EQ(kCertClassQualified | kCertClassAuthority, info.certClass);
    EXPECT_EQ(szOID_RSA_SHA256RSA, info.signatureAlgOid);
    EXPECT_EQ(szOID_NIST_sha256, info.hashAlgOid);
    EXPECT_EQ(0u, info.hasKeyProvInfo);
    EXPECT_EQ("", info.providerName);
    EXPECT_EQ(0u, info.providerType);
    EXPECT_EQ(2048u, info.keyLength);
    EXPECT_EQ("", info.containerName);
    EXPECT_EQ(0u, info.keySpec);
    EXPECT_FALSE(info.authorityKeyId.empty());
    EXPECT_FALSE(info.subjectKeyId.empty());
    EXPECT_EQ(infoOf(ca.certificate).subjectKeyId, info.authorityKeyId);

    ASSERT_EQ(3u, info.subjectRdn.size());
    EXPECT_EQ(szOID_COUNTRY_NAME, info.subjectRdn[0].oid);
    EXPECT_EQ(CERT_RDN_PRINTABLE_STRING, info.subjectRdn[0].valueType);
    EXPECT_EQ("CZ", info.subjectRdn[0].value);
    EXPECT_EQ(szOID_ORGANIZATION_NAME, info.subjectRdn[1].oid);
    EXPECT_EQ(CERT_RDN_UTF8_STRING, info.subjectRdn[1].valueType);
    EXPECT_EQ("Tesk, a.s.", info.subjectRdn[1].value);
    EXPECT_EQ("Jan Nov\xE1k", info.subjectRdn[2].value);
    ASSERT_EQ(3u, info.issuerRdn.size());
    EXPECT_EQ("Tesk Qualified CA", info.issuerRdn[2].value);
    ASSERT_EQ(2u, info.altNames.size());
    EXPECT_EQ("2", info.altNames[0].oid);
    EXPECT_EQ("jan@tesk.cz", info.altNames[0].value);
    EXPECT_EQ((std::vector<std::string>{std::string(pki::kClientAuth), std::string(pki::kEmailProtection)}),
              oidsOf(info.enhancedKeyUsage));
}

TEST(CertInfoFill, ThreeFormsOfTheCertificateAgree) {
    const auto user = qualifiedUser(authority("Tesk Qualified CA"));
    const CertInfo info = infoOf(user.certificate);
    // Base64 in lines of 72 characters, each ended by LF alone.
    ASSERT_FALSE(info.base64Der.empty());
    EXPECT_EQ('\n', info.base64Der.back());
    EXPECT_EQ(std::string::npos, info.base64Der.find('\r'));
    EXPECT_EQ(72u, info.base64Der.find('\n'));
    EXPECT_EQ(std::string(kPemCertificateBegin) + "\n" + info.base64Der + kPemCertificateEnd + "\n", info.pem);
    std::vector<BYTE> decoded;
    ASSERT_EQ(1u, Base64DecodeString(info.base64Der, decoded));
    EXPECT_EQ(info.der, decoded);
}

TEST(CertInfoFill, SerialsKeyIdentifiersAndThumbprintMatchOpenssl) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot root;
    const auto ca = authority("Tesk Qualified CA");
    for (const auto& serial : {kHighBitSerial, kLowBitSerial}) {
        const auto user = userIssuedBy(ca, "Serial").serial(serial).build();
        const CertInfo info = infoOf(user.certificate);
        const std::string text = openssl(root, user.certificate);
        // CryptoAPI keeps the sign byte that DER adds to a serial with its
        // high bit set; OpenSSL prints the magnitude alone.
        const std::string sign = serial.front() & 0x80 ? "00" : "";
        EXPECT_EQ(sign + plainHex(lineAfter(text, "Serial Number:")), info.serialHex);
        EXPECT_EQ(plainHex(lineAfter(text, "X509v3 Subject Key Identifier:")),
                  BytesToHex(info.subjectKeyId.data(), info.subjectKeyId.size()));
        std::string authorityId = lineAfter(text, "X509v3 Authority Key Identifier:");
        if (authorityId.rfind("keyid:", 0) == 0) authorityId.erase(0, 6);
        EXPECT_EQ(plainHex(authorityId), BytesToHex(info.authorityKeyId.data(), info.authorityKeyId.size()));

        std::string fingerprint = openssl(root, user.certificate, {"-fingerprint", "-sha1"});
        fingerprint = plainHex(fingerprint.substr(fingerprint.find('=') + 1, 59));
        std::string grouped;
        for (std::size_t i = 0; i < fingerprint.size(); i += 4) grouped += (i ? " " : "") + fingerprint.substr(i, 4);
        EXPECT_EQ(grouped, info.thumbprintHex);
    }
}

// The authority writes the card number into the comment; a UTF-8 comment
// reaches the record as ANSI text. Issuer alternative names read like the
// subject's.
TEST(CertInfoFill, CardNumberAndIssuerAltNamesAsOpensslReadsThem) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    testkit::PlatformRoot root;
    const auto ca = authority("Tesk Qualified CA");
    const auto user = userIssuedBy(ca, "Card")
                          .comment("0123456789AB")
                          .subjectAltNames({GeneralName::rfc822("card@tesk.cz")})
                          .issuerAltNames({GeneralName::rfc822("ca@tesk.cz"), GeneralName::uri("http://tesk.cz/ca"),
                                           GeneralName::directory(pki::Name{{"CN", "Directory"}})})
                          .build();
    const CertInfo info = infoOf(user.certificate);
    const std::string text = openssl(root, user.certificate);
    EXPECT_EQ(lineAfter(text, "Netscape Comment:"), info.comment);
    EXPECT_EQ("0123456789AB", info.comment);
    std::string names;
    for (const auto& name : info.issuerAltNames)
        names += (names.empty() ? "" : ", ") + std::string(name.oid == "2" ? "email:" : "URI:") + name.value;
    EXPECT_EQ(0u, lineAfter(text, "X509v3 Issuer Alternative Name:").rfind(names + ", DirName:", 0)) << names;
    EXPECT_EQ(2u, info.issuerAltNames.size());
    EXPECT_EQ(1u, info.altNames.size());  // the subject's own stay apart

    const CertInfo plain = infoOf(ca.certificate);
    EXPECT_EQ("", plain.comment);
    EXPECT_TRUE(plain.issuerAltNames.empty());
    const auto czech = userIssuedBy(ca, "Czech card").comment("Karta č. 7", StringType::Utf8).build();
    EXPECT_EQ("Karta \xE8. 7", infoOf(czech.certificate).comment);
}

TEST(CertInfoFill, KeyUsageAsCryptoApiGivesIt) {
    const auto ca = authority("Tesk Qualified CA");
    EXPECT_EQ(0u, infoOf(userIssuedBy(ca, "None").build().certificate).keyUsage);
    EXPECT_EQ(0x8000u, infoOf(userIssuedBy(ca, "Decipher").keyUsage(pki::kDecipherOnly).build().certificate).keyUsage);
    EXPECT_EQ(
        0x20u | 0x01u,
        infoOf(userIssuedBy(ca, "Encipher").keyUsage(pki::kKeyEncipherment | pki::kEncipherOnly).build().certificate)
            .keyUsage);
}

TEST(CertInfoFill, OlderCertificatesAndOtherHashes) {
    const auto ca = authority("Tesk Qualified CA");
    const CertInfo sha1 = infoOf(userIssuedBy(ca, "Sha1").hash(pki::Hash::Sha1).build().certificate);
    EXPECT_EQ(szOID_RSA_SHA1RSA, sha1.signatureAlgOid);
    EXPECT_EQ(szOID_OIWSEC_sha1, sha1.hashAlgOid);

    const CertInfo v1 = infoOf(CertificateBuilder()
                                   .subject(pki::Name{{"CN", "Old"}})
                                   .key(pki::Key::rsa(1024, "old"))
                                   .version1()
                                   .build()
                                   .certificate);
    EXPECT_EQ(0u, v1.version);
    EXPECT_EQ(1024u, v1.keyLength);
    EXPECT_EQ(0u, v1.keyUsage);
    EXPECT_TRUE(v1.subjectKeyId.empty() && v1.altNames.empty() && v1.policyOids.empty());
    EXPECT_EQ("CN=Old", v1.issuerDn);
}

TEST(CertInfoFill, ContextWithoutX509EncodingLeavesTheRecordAlone) {
    CERT_CONTEXT pkcs7Only{};
    pkcs7Only.dwCertEncodingType = PKCS_7_ASN_ENCODING;
    CertInfo info;
    info.label = "kept";
    info.serialHex = "kept";
    EXPECT_EQ(0u, TCryptoapi::GetCertInfo(&pkcs7Only, info));
    EXPECT_EQ("kept", info.serialHex);
    EXPECT_EQ(0u, TCryptoapi::CertInfoFromDer({0x30, 0x03, 0x02, 0x01, 0x01}, info));
    EXPECT_EQ(0u, CertInfoFromPem("-----BEGIN CERTIFICATE-----\n!!!!\n-----END CERTIFICATE-----\n", info));
    EXPECT_EQ("kept", info.serialHex);
}

// A selection loop fills one record for certificate after certificate: each
// fill must describe its certificate alone.
TEST(CertInfoFill, RefillingARecordKeepsOnlyItsLabel) {
    const auto ca = authority("Tesk Qualified CA");
    const auto qualified = qualifiedUser(ca);
    const auto plain = userIssuedBy(ca, "Plain").build();
    CertInfo info;
    info.label = "signature";
    ASSERT_EQ(1u, TCryptoapi::CertInfoFromDer(qualified.certificate.der(), info));
    ASSERT_EQ(1u, TCryptoapi::CertInfoFromDer(qualified.certificate.der(), info));
    EXPECT_EQ(3u, info.subjectRdn.size());
    EXPECT_EQ(2u, info.qcStatementOids.size());
    EXPECT_EQ(2u, info.enhancedKeyUsage.size());
    ASSERT_EQ(1u, TCryptoapi::CertInfoFromDer(plain.certificate.der(), info));
    EXPECT_EQ("signature", info.label);
    EXPECT_TRUE(info.qcStatementOids.empty());
    EXPECT_FALSE(info.IsQualified());
    EXPECT_TRUE(info.authorityExtension.empty());
    EXPECT_EQ(2u, info.subjectRdn.size());
}

TEST(CertClass, QualifiedStandardAndAuthorityBits) {
    const auto standardCa = authority("Tesk Standard CA");
    const auto qualifiedCa = authority("Tesk Qualified CA");
    const std::vector<pki::QcStatement> qc = {{std::string(pki::kQcCompliance)}};
    EXPECT_EQ(1u, infoOf(userIssuedBy(standardCa, "A").qcStatements(qc).build().certificate).certClass);
    EXPECT_EQ(
        129u,
        infoOf(userIssuedBy(standardCa, "B").qcStatements(qc).authorityExtension("1").build().certificate).certClass);
    EXPECT_EQ(2u, infoOf(userIssuedBy(standardCa, "C").build().certificate).certClass);
    EXPECT_EQ(130u, infoOf(userIssuedBy(standardCa, "D").authorityExtension("1").build().certificate).certClass);
    EXPECT_EQ(0u, infoOf(userIssuedBy(qualifiedCa, "E").build().certificate).certClass);
    EXPECT_EQ(128u, infoOf(userIssuedBy(qualifiedCa, "F").authorityExtension("").build().certificate).certClass);
    // The letters are matched as written.
    EXPECT_EQ(0u, infoOf(userIssuedBy(authority("TESK STANDARD CA"), "G").build().certificate).certClass);
    EXPECT_EQ(2u, infoOf(userIssuedBy(authority("tesk standard ca"), "H").build().certificate).certClass);
}

TEST(CertInfoTests, QualifiedAndSecureDeviceAroundNovember2010) {
    const auto ca = authority("Tesk Qualified CA");
    const auto from = [&](const char* notBefore, std::vector<pki::QcStatement> statements = {}) {
        auto builder = userIssuedBy(ca, notBefore).validity(pki::utc(notBefore), pki::utc("2030-01-01"));
        if (!statements.empty()) builder.qcStatements(statements);
        return infoOf(builder.build().certificate);
    };
    const CertInfo october = from("2010-10-31");
    EXPECT_TRUE(october.IsSscd(0));
    EXPECT_FALSE(october.IsSscd(1));
    EXPECT_TRUE(from("2010-10-31T23:59:59Z").IsSscd(0));
    EXPECT_FALSE(from("2010-11-01T00:00:00Z").IsSscd(0));
    const CertInfo sscd = from("2012-01-01", {{std::string(pki::kQcSscd)}});
    EXPECT_TRUE(sscd.IsSscd(0));
    EXPECT_TRUE(sscd.IsSscd(1));
    EXPECT_FALSE(sscd.IsQualified());
    EXPECT_TRUE(from("2012-01-01", {{std::string(pki::kQcCompliance)}}).IsQualified());
}

TEST(KeyProvInfo, CompleteDataFillsTheRecordIncompleteDataIsLogged) {
    const auto user = userIssuedBy(authority("Tesk Qualified CA"), "Keyed").build();
    TLogStrVect::Instance()->SetMask(sgLogLevelWarns);
    TLogStrVect::Instance()->Trim(0);

    CertInfo bound = infoOf(user.certificate);
    bound.providerName = "Zintra CSP";
    bound.containerName = "kont\xE9jner";  // Windows-1250 survives the wide property
    bound.providerType = PROV_RSA_FULL;
    bound.keySpec = AT_SIGNATURE;
    const Context complete = contextOf(user.certificate);
    ASSERT_TRUE(TCryptoapi::SetKeyProvInfo(complete.get(), bound));
    CertInfo read;
    ASSERT_EQ(1u, TCryptoapi::GetCertInfo(complete.get(), read));
    EXPECT_EQ(1u, read.hasKeyProvInfo);
    EXPECT_EQ("Zintra CSP", read.providerName);
    EXPECT_EQ("kont\xE9jner", read.containerName);
    EXPECT_EQ(PROV_RSA_FULL, read.providerType);
    EXPECT_EQ(AT_SIGNATURE, read.keySpec);

    std::vector<std::string> lines;
    TLogStrVect::Instance()->GetAll(lines);
    EXPECT_TRUE(lines.empty());

    CertInfo incomplete = bound;
    incomplete.providerType = 0;
    const Context partial = contextOf(user.certificate);
    ASSERT_TRUE(TCryptoapi::SetKeyProvInfo(partial.get(), incomplete));
    ASSERT_EQ(1u, TCryptoapi::GetCertInfo(partial.get(), read));
    EXPECT_EQ(0u, read.hasKeyProvInfo);
    EXPECT_EQ("", read.providerName);
    TLogStrVect::Instance()->GetAll(lines);
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("WARN 'Keyed': no CRYPT_KEY_PROV_INFO"));
    TLogStrVect::Instance()->SetMask(0);
}

TEST(CertInfoRecord, NewEqualsResetAndCopySurvivesResetOfTheSource) {
    const auto user = qualifiedUser(authority("Tesk Qualified CA"));
    CertInfo source = infoOf(user.certificate);
    source.label = "label";
    const CertInfo copy = source;
    source.Clear();
    EXPECT_EQ("label", copy.label);
    EXPECT_EQ(3u, copy.subjectRdn.size());
    EXPECT_EQ(2u, copy.qcStatementOids.size());
    EXPECT_EQ(user.certificate.der(), copy.der);
    EXPECT_EQ(1u, CertInfoEquals(copy, copy));

    const CertInfo fresh;
    for (const CertInfo* record : {&fresh, static_cast<const CertInfo*>(&source)}) {
        EXPECT_TRUE(record->label.empty() && record->der.empty() && record->pem.empty());
        EXPECT_TRUE(record->subjectRdn.empty() && record->altNames.empty() && record->policyOids.empty());
        EXPECT_EQ(0u, record->certClass + record->keyUsage + record->version + record->keySpec);
        EXPECT_EQ(0u, record->notBefore.dwLowDateTime | record->notBefore.dwHighDateTime);
    }
}

TEST(CertContextFromInfo, PemOnlyAndDerOnlyGiveTheSameContext) {
    const auto user = qualifiedUser(authority("Tesk Qualified CA"));
    const CertInfo full = infoOf(user.certificate);
    CertInfo derOnly;
    derOnly.der = full.der;
    derOnly.providerName = "KavloCSP";
    derOnly.containerName = "box";
    derOnly.providerType = PROV_RSA_FULL;
    derOnly.keySpec = AT_KEYEXCHANGE;
    CertInfo pemOnly = derOnly;
    pemOnly.der.clear();
    pemOnly.pem = full.pem;

    const Context fromDer(CertContextFromInfo(derOnly));
    const Context fromPem(CertContextFromInfo(pemOnly));
    ASSERT_TRUE(fromDer && fromPem);
    EXPECT_EQ(std::vector<BYTE>(fromDer->pbCertEncoded, fromDer->pbCertEncoded + fromDer->cbCertEncoded),
              std::vector<BYTE>(fromPem->pbCertEncoded, fromPem->pbCertEncoded + fromPem->cbCertEncoded));
    for (PCCERT_CONTEXT context : {fromDer.get(), fromPem.get()}) {
        CertInfo read;
        ASSERT_EQ(1u, TCryptoapi::GetCertInfo(context, read));
        EXPECT_EQ("KavloCSP", read.providerName);
        EXPECT_EQ("box", read.containerName);
        EXPECT_EQ(AT_KEYEXCHANGE, read.keySpec);
    }

    CertInfo broken;
    broken.pem = "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n";
    EXPECT_EQ(nullptr, CertContextFromInfo(broken));
    EXPECT_EQ(nullptr, CertContextFromInfo(CertInfo{}));
}

TEST(CertInfoEquals, SameIssuerAndSerial) {
    const auto ca = authority("Tesk Qualified CA");
    const CertInfo first = infoOf(userIssuedBy(ca, "One").serial({0x01, 0x02}).build().certificate);
    // Another subject and key, but the issuer and serial of the first.
    const CertInfo twin = infoOf(userIssuedBy(ca, "Twin").serial({0x01, 0x02}).build().certificate);
    const CertInfo other = infoOf(userIssuedBy(ca, "Other").serial({0x01, 0x03}).build().certificate);
    EXPECT_NE(0u, CertInfoEquals(first, twin));
    EXPECT_EQ(0u, CertInfoEquals(first, other));
    EXPECT_EQ(0u, CertInfoEquals(first, CertInfo{}));
    const Context twinContext(CertContextFromInfo(twin));
    EXPECT_NE(0u, CertInfoEquals(first, twinContext.get()));

    CertInfo fromPem;
    ASSERT_EQ(1u, CertInfoFromPem(first.pem, fromPem));
    EXPECT_EQ(first.serialHex, fromPem.serialHex);
}

}  // namespace

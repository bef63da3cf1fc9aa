// The values the session gives of a certificate, each judged by what
// `openssl x509` says of the same certificate, and the certificate's XML
// document read back by libxml2.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <openssl/bn.h>
#include <openssl/objects.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "testkit/scoped_env.h"
#include "enroll.h"
#include "common/hex_decimal.h"
#include "known_providers.h"
#include "my_error.h"
#include "parsed_xml.h"
#include "pentak_support.h"
#include "stores.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_names.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;
using namespace std::chrono_literals;

constexpr char kNetscapeComment[] = "2.16.840.1.113730.1.13";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}
std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}
std::string withoutColons(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
    return text;
}

// What openssl prints of the certificate.
class OpensslView {
public:
    explicit OpensslView(const pki::Certificate& certificate) {
        const auto result = testkit::run({"openssl", "x509", "-noout", "-text", "-serial", "-dates", "-subject",
                                          "-nameopt", "sep_comma_plus_space"},
                                         testkit::RunOptions{{}, certificate.pem(), {}, 30000ms});
        EXPECT_EQ(0, result.exitCode) << result.err;
        std::istringstream lines(result.out);
        for (std::string line; std::getline(lines, line);) m_lines.push_back(line);
    }
    // The text after "key=" on a line of its own.
    std::string value(const std::string& key) const {
        for (const std::string& line : m_lines)
            if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
        ADD_FAILURE() << "openssl shows no " << key;
        return {};
    }
    // The line after the header line (trimmed).
    std::string after(const std::string& header) const {
        for (std::size_t i = 0; i + 1 < m_lines.size(); ++i)
            if (trimmed(m_lines[i]).rfind(header, 0) == 0) return trimmed(m_lines[i + 1]);
        ADD_FAILURE() << "openssl shows no " << header;
        return {};
    }
    // The text after the label on its line.
    std::string field(const std::string& label) const {
        for (const std::string& line : m_lines)
            if (trimmed(line).rfind(label, 0) == 0) return trimmed(trimmed(line).substr(label.size()));
        ADD_FAILURE() << "openssl shows no " << label;
        return {};
    }
    std::vector<std::string> fields(const std::string& label) const {
        std::vector<std::string> out;
        for (const std::string& line : m_lines)
            if (trimmed(line).rfind(label, 0) == 0) out.push_back(trimmed(trimmed(line).substr(label.size())));
        return out;
    }

private:
    std::vector<std::string> m_lines;
};

std::time_t utcOf(const std::string& opensslDate) {
    std::tm parts{};
    std::istringstream(opensslDate) >> std::get_time(&parts, "%b %d %H:%M:%S %Y");
    return timegm(&parts);
}

std::string decimalOfHex(const std::string& hex) {
    BIGNUM* number = nullptr;
    EXPECT_GT(BN_hex2bn(&number, hex.c_str()), 0);
    char* text = BN_bn2dec(number);
    std::string out = text;
    OPENSSL_free(text);
    BN_free(number);
    return out;
}

std::string oidOfName(const std::string& name) {
    ASN1_OBJECT* object = OBJ_txt2obj(name.c_str(), 0);
    char text[128] = {};
    OBJ_obj2txt(text, sizeof text, object, 1);
    ASN1_OBJECT_free(object);
    return text;
}

SYSTEMTIME systemTimeOf(std::time_t time) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    SYSTEMTIME out{};
    out.wYear = static_cast<WORD>(parts.tm_year + 1900);
    out.wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out.wDay = static_cast<WORD>(parts.tm_mday);
    out.wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out.wHour = static_cast<WORD>(parts.tm_hour);
    out.wMinute = static_cast<WORD>(parts.tm_min);
    out.wSecond = static_cast<WORD>(parts.tm_sec);
    return out;
}

std::string compact(std::time_t time) {
    char text[32];
    std::tm parts{};
    gmtime_r(&time, &parts);
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &parts);
    return text;
}

// The user's date format of the flag, a blank and the time format.
std::u16string localeForm(std::time_t time, DWORD dateFlag) {
    const SYSTEMTIME shown = systemTimeOf(time);
    char16_t date[128] = {}, clock[64] = {};
    EXPECT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, dateFlag, &shown, nullptr, date, 128), 0);
    EXPECT_GT(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &shown, nullptr, clock, 64), 0);
    return std::u16string(date) + u" " + clock;
}

ParsedDoc parseUtf16(const std::u16string& text) {
    std::vector<char> bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return parseXml(bytes.data(), bytes.size());
}

std::vector<std::string> namesOf(const std::vector<const xmlNode*>& nodes) {
    std::vector<std::string> out;
    for (const xmlNode* node : nodes) out.push_back(nameOf(node));
    return out;
}
const xmlNode* child(const xmlNode* parent, const std::string& name) {
    for (const xmlNode* node : childElements(parent))
        if (nameOf(node) == name) return node;
    return nullptr;
}

class CertificateValues : public ::testing::Test {
protected:
    static pki::Credential make() {
        const auto ca = pki::CertificateBuilder().subject({{"O", "Tesk"}, {"CN", "Values CA"}}).build();
        const std::string comment = "CARD-1234";
        testkit::Bytes commentDer{0x16, static_cast<std::uint8_t>(comment.size())};
        commentDer.insert(commentDer.end(), comment.begin(), comment.end());
        testkit::Bytes serial(20, 0x5A);
        serial[0] = 0x4F;
        return pki::CertificateBuilder()
            .subject({{"C", "CZ", pki::StringType::Printable}, {"CN", "Alice"}})
            .issuedBy(ca)
            .serial(serial)
            .validity(pki::fromNow(-(24h * 10 + 12h)), pki::fromNow(24h * 20 + 12h))
            .keyUsage(pki::kDigitalSignature | pki::kNonRepudiation)
            .extendedKeyUsage({std::string(pki::kClientAuth), std::string(pki::kEmailProtection)})
            .policies({{"1.2.3.4.5"}, {std::string(pki::kQualifiedPolicy)}})
            .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
            .subjectAltNames({pki::GeneralName::dns("alice.example"), pki::GeneralName::rfc822("alice@example.cz")})
            .authorityExtension("PAIR-42")
            .extension({kNetscapeComment, false, commentDer})
            .build();
    }

    std::u16string value(LONG kind, DWORD expectedResult = 0) {
        std::u16string text = u"unchanged";
        EXPECT_EQ(expectedResult, m_session.GetCertVal(m_text, kind, text)) << "kind " << kind;
        return text;
    }
    std::string narrowValue(LONG kind) { return narrow(value(kind)); }

    testkit::PlatformRoot m_root;
    ScopedEnv m_zone{"TZ", "Europe/Prague"};
    pki::Credential m_user = make();
    std::u16string m_text = base64Of(m_user.certificate.der());
    CEnroll m_session;
};

TEST_F(CertificateValues, EveryKindSaysWhatOpensslSays) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslView openssl(m_user.certificate);
    const std::string serial = openssl.value("serial");
    EXPECT_EQ(decimalOfHex(serial), narrowValue(1));
    EXPECT_EQ(lower(serial), narrowValue(2));
    EXPECT_EQ("(" + narrowValue(3) + " bit)", openssl.field("Public-Key:"));
    EXPECT_EQ("..PAIR-42", openssl.after("1.3.6.1.4.1.32473.4.3:")) << "openssl shows tag and length as dots";
    EXPECT_EQ("PAIR-42", narrowValue(4));

    // Local time is the zone's offset now, for dates of either season.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const long offset = local.tm_gmtoff;
    const struct {
        LONG first;
        std::time_t at;
    } dates[] = {{5, utcOf(openssl.value("notBefore"))}, {11, utcOf(openssl.value("notAfter"))}};
    for (const auto& date : dates) {
        EXPECT_EQ(compact(date.at), narrowValue(date.first));
        EXPECT_EQ(compact(date.at + offset), narrowValue(date.first + 1));
        EXPECT_EQ(localeForm(date.at, DATE_LONGDATE), value(date.first + 2));
        EXPECT_EQ(localeForm(date.at + offset, DATE_LONGDATE), value(date.first + 3));
        EXPECT_EQ(localeForm(date.at, DATE_SHORTDATE), value(date.first + 4));
        EXPECT_EQ(localeForm(date.at + offset, DATE_SHORTDATE), value(date.first + 5));
    }
    EXPECT_EQ(lower(withoutColons(openssl.after("X509v3 Subject Key Identifier"))), narrowValue(17));
    std::string authorityKeyId = openssl.after("X509v3 Authority Key Identifier");
    if (authorityKeyId.rfind("keyid:", 0) == 0) authorityKeyId.erase(0, 6);
    EXPECT_EQ(lower(withoutColons(authorityKeyId)), narrowValue(18));
    EXPECT_EQ(oidOfName(openssl.field("Signature Algorithm:")), narrowValue(19));
    EXPECT_EQ(std::string(pki::kQcCompliance) + "|" + std::string(pki::kQcSscd), narrowValue(24));
    const auto policies = openssl.fields("Policy:");
    ASSERT_EQ(2u, policies.size());
    EXPECT_EQ(policies[0] + "|" + policies[1], narrowValue(25));
    EXPECT_EQ(std::to_string(pki::kDigitalSignature | pki::kNonRepudiation), narrowValue(26));
    EXPECT_EQ("TRUE", narrowValue(29));
    const std::time_t nowAfter = std::time(nullptr);
    EXPECT_EQ(std::to_string((utcOf(openssl.value("notAfter")) - nowAfter) / 86400), narrowValue(30));
    EXPECT_EQ(std::to_string((nowAfter - utcOf(openssl.value("notBefore"))) / 86400), narrowValue(31));
    EXPECT_EQ(openssl.value("subject"), narrowValue(32));
    EXPECT_EQ(openssl.after("Netscape Comment:"), narrowValue(33));
}

TEST_F(CertificateValues, SerialsOfAnyLengthAreUnsignedDecimalAndBadRequestsFail) {
    const auto topBit = pki::CertificateBuilder().serial({0x80, 0, 0, 0, 0, 0, 0, 0, 0x01}).build();
    std::u16string text;
    ASSERT_EQ(0u, m_session.GetCertVal(base64Of(topBit.certificate.der()), 1, text));
    EXPECT_EQ(u"2361183241434822606849", text) << "2^71 + 1";
    ASSERT_EQ(0u, m_session.GetCertVal(wide(topBit.certificate.pem()), 1, text)) << "armour lines are allowed";
    std::string decimal = "kept";
    EXPECT_FALSE(HexToDecimal("12g4", decimal));
    EXPECT_FALSE(HexToDecimal("", decimal));
    EXPECT_FALSE(HexToDecimal("-1", decimal));
    EXPECT_EQ("kept", decimal);
    ASSERT_TRUE(HexToDecimal("0x00FFffFFffFFffFFff", decimal));
    EXPECT_EQ(decimalOfHex("FFFFFFFFFFFFFFFF"), decimal);

    EXPECT_EQ(u"unchanged", value(34, ERROR_NOT_SUPPORTED));
    EXPECT_EQ(u"unchanged", value(0, ERROR_NOT_SUPPORTED));
    text = u"unchanged";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), m_session.GetCertVal(u"", 1, text));
    EXPECT_NE(0u, m_session.GetCertVal(u"AAAA", 1, text)) << "no certificate";
    EXPECT_EQ(u"unchanged", text);

    // Without a key in the CSP store or "MY" the key kinds fail.
    for (LONG kind = 20; kind <= 23; ++kind) EXPECT_EQ(u"unchanged", value(kind, static_cast<DWORD>(NTE_BAD_KEYSET)));
    const OwnedCertContext withKey = CertificateWithKey(
        m_user.certificate.der(), CertKeyInfo{{}, kSoftwareProvider, PROV_RSA_FULL, u"alice-key", AT_SIGNATURE});
    const OwnedCertStore personal = OpenUserStore(kStorePersonal);
    ASSERT_TRUE(withKey && personal);
    ASSERT_TRUE(CertAddCertificateContextToStore(personal.get(), withKey.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    EXPECT_EQ(kSoftwareProvider, value(20));
    EXPECT_EQ(u"1", value(21));
    EXPECT_EQ(u"2", value(22));
    EXPECT_EQ(u"alice-key", value(23));
    const ParsedDoc doc = parseUtf16(value(27));
    ASSERT_TRUE(doc);
    const xmlNode* provider = child(child(xmlDocGetRootElement(doc.get()), "Certificate"), "Provider");
    ASSERT_NE(nullptr, provider);
    EXPECT_EQ((std::vector<std::string>{"ProviderName", "ProvType", "KeySpec", "KeyContainerName"}),
              namesOf(childElements(provider)));
    EXPECT_EQ("alice-key", textOf(child(provider, "KeyContainerName")));
}

TEST_F(CertificateValues, TheXmlDocumentHoldsTheCertificateInItsOrder) {
    const std::u16string xml = value(27);
    EXPECT_EQ(0u, xml.find(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>")) << narrow(xml);
    const ParsedDoc doc = parseUtf16(xml);
    ASSERT_TRUE(doc) << narrow(xml);
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    EXPECT_EQ("pentak", nameOf(root));
    ASSERT_EQ(1u, childElements(root).size());
    const xmlNode* certificate = child(root, "Certificate");
    ASSERT_NE(nullptr, certificate);
    // No key anywhere: no Provider.
    EXPECT_EQ((std::vector<std::string>{"Subject", "Issuer", "ExtenedKeyUsage", "SubjectAltName", "SNDec", "SNHex",
                                        "TimeValid", "NotBefore", "NotAfter", "KeyLength", "ParvelNum",
                                        "TeskCardNumber", "SubjectKeyID", "AuthorityKeyID", "SignatureAlgOID",
                                        "QCStatements", "CertPolicies", "KeyUsage"}),
              namesOf(childElements(certificate)));

    const auto subject = childElements(child(certificate, "Subject"));
    ASSERT_EQ(2u, subject.size());
    EXPECT_EQ("CZ", textOf(subject[0]));
    EXPECT_EQ("2.5.4.6", attributeOf(subject[0], "OID"));
    EXPECT_EQ(std::to_string(CERT_RDN_PRINTABLE_STRING), attributeOf(subject[0], "Type"));
    EXPECT_EQ("Alice", textOf(subject[1]));
    EXPECT_EQ("2.5.4.3", attributeOf(subject[1], "OID"));
    EXPECT_EQ(std::to_string(CERT_RDN_UTF8_STRING), attributeOf(subject[1], "Type"));

    const auto altNames = childElements(child(certificate, "SubjectAltName"));
    ASSERT_EQ(2u, altNames.size());
    EXPECT_EQ("alice.example", textOf(altNames[0]));
    EXPECT_EQ("3", attributeOf(altNames[0], "CapiAltNameID"));
    EXPECT_EQ("2", attributeOf(altNames[0], "GeneralNameChoice"));
    EXPECT_EQ("alice@example.cz", textOf(altNames[1]));
    EXPECT_EQ("2", attributeOf(altNames[1], "CapiAltNameID"));
    EXPECT_EQ("1", attributeOf(altNames[1], "GeneralNameChoice"));

    EXPECT_EQ(narrowValue(1), textOf(child(certificate, "SNDec")));
    EXPECT_EQ((std::vector<std::string>{"NotBefore", "NotBeforeLocaltime", "NotBeforeLongDate",
                                        "NotBeforeLocaltimeLongDate", "NotBeforeShortDate",
                                        "NotBeforeLocaltimeShortDate", "DaysSinceNotBefore", "DaysFromNotBefore"}),
              namesOf(childElements(child(certificate, "NotBefore"))));
    EXPECT_EQ(narrowValue(6), textOf(child(child(certificate, "NotBefore"), "NotBeforeLocaltime")));
    EXPECT_EQ(narrowValue(30), textOf(child(child(certificate, "NotAfter"), "DaysToNotAfter")));
    EXPECT_EQ("CARD-1234", textOf(child(certificate, "TeskCardNumber")));
    const auto statements = childElements(child(certificate, "QCStatements"));
    ASSERT_EQ(2u, statements.size());
    EXPECT_EQ(std::string(pki::kQcSscd), attributeOf(statements[1], "OID"));

    // The Base64 form is the same text as UTF-16 bytes.
    const std::vector<BYTE> bytes = bytesOfBase64(value(28));
    std::u16string decoded;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) decoded += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    EXPECT_EQ(xml, decoded);

    // A certificate without statements, policies or names has none of
    // their groups.
    const auto plain = pki::CertificateBuilder().subject({{"CN", "Plain"}}).build();
    std::u16string plainXml;
    ASSERT_EQ(0u, m_session.GetCertVal(base64Of(plain.certificate.der()), 27, plainXml));
    const ParsedDoc plainDoc = parseUtf16(plainXml);
    ASSERT_TRUE(plainDoc);
    const xmlNode* plainCertificate = child(xmlDocGetRootElement(plainDoc.get()), "Certificate");
    for (const char* absent : {"QCStatements", "CertPolicies", "SubjectAltName", "ExtenedKeyUsage", "Provider"})
        EXPECT_EQ(nullptr, child(plainCertificate, absent)) << absent;

    // A value XML cannot hold (a control character in the comment) stops
    // the document with one failure line naming the element's step.
    const testkit::Bytes bell{0x16, 0x03, 'a', 0x07, 'b'};
    const auto hostile = pki::CertificateBuilder().extension({kNetscapeComment, false, bell}).build();
    std::u16string refused = u"unchanged";
    EXPECT_EQ(static_cast<DWORD>(NTE_FAIL), m_session.GetCertVal(base64Of(hostile.certificate.der()), 27, refused));
    EXPECT_EQ(u"unchanged", refused);
    EXPECT_TRUE(logHasLine(6204));
    const std::u16string log = CMyError::Instance().GetText();
    EXPECT_NE(std::u16string::npos,
              log.find(u"CertificateToXML(): error at 6110, while TXml::AddElement():name=TeskCardNumbererror: "
                       u"code = 0x80090020, "))
        << narrow(log);
}

TEST(CertificateIssuer, AnIssuerIsKnownByItsNameAndKeyIdentifier) {
    testkit::PlatformRoot machine;
    CEnroll session;
    BOOL issued = FALSE;
    const auto& pki = hierarchy();
    ASSERT_EQ(0u, session.IsIssued(base64Of(pki.qualified.certificate.der()),
                                   wide(pki.qualifiedCa.certificate.pem()), issued));
    EXPECT_TRUE(issued);
    ASSERT_EQ(0u, session.IsIssued(base64Of(pki.qualified.certificate.der()),
                                   base64Of(pki.standardCa.certificate.der()), issued));
    EXPECT_FALSE(issued);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), session.IsIssued(u"", u"x", issued));
    EXPECT_NE(0u, session.IsIssued(u"AAAA", base64Of(pki.root.certificate.der()), issued));
}

}  // namespace

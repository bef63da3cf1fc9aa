// The session's PKCS#10 request from a software key, judged by openssl:
// every subject string type, the request attributes and every requested
// extension in their order; the limits of application profile 1; refused
// arguments; subjects taken over from certificates; the pending copy in the
// REQUEST store.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/decoded_object.h"
#include "common/owned_context.h"
#include "enroll.h"
#include "my_error.h"
#include "request_support.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace {

using namespace pentak_test;

constexpr char16_t kRequestContainer[] = u"pentak-request";

// A BMPString as DER.
std::vector<BYTE> bmpString(const std::u16string& text) {
    std::vector<BYTE> der = {0x1E, static_cast<BYTE>(text.size() * 2)};
    for (const char16_t c : text) {
        der.push_back(static_cast<BYTE>(c >> 8));
        der.push_back(static_cast<BYTE>(c));
    }
    return der;
}

std::vector<BYTE> bytesOf(const CRYPTOAPI_BLOB& blob) { return {blob.pbData, blob.pbData + blob.cbData}; }

std::size_t certificatesIn(HCERTSTORE store) {
    std::size_t count = 0;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c; c = CertEnumCertificatesInStore(store, c))
        ++count;
    return count;
}

class SoftwareRequest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        m_session.SetGenKeyFlags(1024u << 16);
        openKey();
        ASSERT_TRUE(m_session.KeyGenerate()) << std::hex << GetLastError();
    }

    // The session's provider and container; after a Reset, the key is
    // selected again.
    void openKey() {
        m_session.SetProviderName(kSoftwareProvider);
        m_session.SetContainerName(kRequestContainer);
    }
    void restart() {
        m_session.Reset();
        openKey();
        ASSERT_TRUE(m_session.KeySelect());
    }

    std::u16string create() {
        std::u16string text;
        EXPECT_TRUE(m_session.CreatePKCS10(text))
            << std::hex << GetLastError() << " " << narrow(CMyError::Instance().GetText());
        return text;
    }
    JudgedRequest judged() { return judgeRequest(m_machine, create()); }

    // `openssl dgst -sha1` of the bytes.
    std::string opensslSha1(const std::vector<BYTE>& bytes) {
        m_machine.write("hashed", std::string(bytes.begin(), bytes.end()));
        const auto digest = testkit::run({"openssl", "dgst", "-sha1", "-r", "hashed"}, m_machine.path());
        std::string hex = digest.out.substr(0, 40);
        std::transform(hex.begin(), hex.end(), hex.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
        return hex;
    }

    testkit::PlatformRoot m_machine;
    CEnroll m_session;
};

TEST_F(SoftwareRequest, EverythingCollectedReachesTheSignedRequestInOrder) {
    // The subject, one RDN per attribute in the order added, each under the
    // string type set before it.
    const std::pair<DWORD, std::pair<const char*, std::u16string>> subject[] = {
        {4, {"2.5.4.6", u"CZ"}},
        {13, {"2.5.4.3", u"Jan Novák"}},
        {12, {"2.5.4.10", u"Tesk Praha"}},
        {13, {"2.5.4.11", u"dropped again"}},
        {7, {"1.2.840.113549.1.9.1", u"jan@tesk.cz"}},
        {13, {"2.5.4.7", u"Brno \U0001F600"}},
    };
    for (const auto& [type, attribute] : subject) {
        m_session.SetAttributeStringType(type);
        ASSERT_TRUE(m_session.AddSubjectAttribute(attribute.first, attribute.second)) << attribute.first;
    }
    ASSERT_TRUE(m_session.RemoveSubjectAttribute("2.5.4.11"));

    // Attributes: a name value, the SHA-1 of a value's bytes (ANSI code page,
    // then UTF-16), the provider and container.
    m_session.SetAttributeStringType(CERT_RDN_PRINTABLE_STRING);
    ASSERT_TRUE(m_session.AddAttribute_String("1.2.3.4.5", u"free text"));
    ASSERT_TRUE(m_session.AddAttribute_StringSHA1("1.2.3.4.6", u"Žluťoučký"));
    m_session.SetAttributeStringType(CERT_RDN_UTF8_STRING);
    ASSERT_TRUE(m_session.AddAttribute_StringSHA1("1.2.3.4.7", u"Žluťoučký"));
    ASSERT_TRUE(m_session.AddAttribute_CSPInfo());

    // Extensions, added in another order than the request holds them.
    ASSERT_TRUE(m_session.RequestedExtension_Add("1.2.3.5", FALSE, "1 2 3"));
    ASSERT_TRUE(m_session.RequestedExtension_ExtKeyUsage_AddOid("1.3.6.1.5.5.7.3.2"));
    ASSERT_TRUE(m_session.RequestedExtension_ExtKeyUsage_AddOid("1.3.6.1.5.5.7.3.4"));
    ASSERT_TRUE(m_session.RequestedExtension_KeyUsage_SetBit(0));
    ASSERT_TRUE(m_session.RequestedExtension_KeyUsage_SetBit(2));
    ASSERT_TRUE(m_session.RequestedExtension_SetCritical("2.5.29.15", TRUE));
    ASSERT_TRUE(m_session.RequestedExtension_CertPolicies_AddOid("1.2.3.9"));
    ASSERT_TRUE(m_session.RequestedExtension_CertPolicies_AddOid("1.2.3.10"));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_RFC822_NAME, u"jan@tesk.cz"));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_DNS_NAME, u"tesk.cz"));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_URL, u"https://tesk.cz/"));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_IP_ADDRESS, u"10.0.200.1"));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_REGISTERED_ID, u"1.2.3.11"));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_OtherName_Add("1.3.6.1.4.1.311.20.2.3", u"jan@tesk"));
    ASSERT_TRUE(m_session.RequestedExtension_CRLDistributionPoint_Add(CERT_ALT_NAME_URL, u"http://crl.tesk.cz/1"));
    ASSERT_TRUE(m_session.RequestedExtension_CRLDistributionPoint_Add(CERT_ALT_NAME_URL, u"http://crl.tesk.cz/2"));
    ASSERT_TRUE(m_session.RequestedExtension_Add("1.2.3.4", FALSE, "0x0102ff"));

    const std::u16string text = create();
    // Base64 in lines of 72 characters, LF alone, the last line ended too.
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(u'\n', text.back());
    EXPECT_EQ(std::u16string::npos, text.find_first_of(u"\r-"));
    for (std::size_t start = 0, end; (end = text.find(u'\n', start)) != std::u16string::npos; start = end + 1) {
        if (end + 1 < text.size()) EXPECT_EQ(72u, end - start);
        else EXPECT_GE(72u, end - start);
    }

    const JudgedRequest request = judgeRequest(m_machine, text);
    ASSERT_TRUE(request.verified);
    EXPECT_NE(std::string::npos, request.text.find("Signature Algorithm: sha1WithRSA")) << request.text;
    const std::vector<std::string> expectedSubject = {
        "C=PRINTABLESTRING:CZ", "CN=UTF8STRING:Jan Novák", "O=BMPSTRING:Tesk Praha",
        "emailAddress=IA5STRING:jan@tesk.cz", "L=UTF8STRING:Brno \xF0\x9F\x98\x80"};
    EXPECT_EQ(expectedSubject, request.subject);

    // The attributes in the order DER gives a SET OF (here the order added).
    EXPECT_EQ((std::vector<std::string>{"rsaEncryption", "1.2.3.4.5", "1.2.3.4.6", "1.2.3.4.7", "1.3.6.1.4.1.32473.4.2",
                                        "Extension Request"}),
              request.objectsAtDepth(4));
    EXPECT_NE(std::string::npos, request.asn1.find("PRINTABLESTRING   :free text"));
    const std::vector<BYTE> cp1250 = {0x8E, 'l', 'u', 0x9D, 'o', 'u', 0xE8, 'k', 0xFD};
    std::vector<BYTE> utf16;
    for (const char16_t c : std::u16string(u"Žluťoučký")) {
        utf16.push_back(static_cast<BYTE>(c));
        utf16.push_back(static_cast<BYTE>(c >> 8));
    }
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:" + opensslSha1(cp1250)));
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:" + opensslSha1(utf16)));
    std::vector<BYTE> cspInfo = {0x30, 0x7F, 0x02, 0x01, 0x00};
    for (const auto& part : {bmpString(kSoftwareProvider), bmpString(kRequestContainer)})
        cspInfo.insert(cspInfo.end(), part.begin(), part.end());
    EXPECT_TRUE(contains(request.der, cspInfo));

    // The extensions in the byte order of their OID texts.
    EXPECT_EQ((std::vector<std::string>{"1.2.3.4", "1.2.3.5", "X509v3 Key Usage", "X509v3 Subject Alternative Name",
                                        "X509v3 CRL Distribution Points", "X509v3 Certificate Policies",
                                        "X509v3 Extended Key Usage"}),
              request.objectsAtDepth(7));
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:0102FF\n"));
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:12\n"));
    EXPECT_NE(std::string::npos, request.asn1.find("[HEX DUMP]:030205A0\n"));
    for (const char* shown :
         {"X509v3 Key Usage: critical\n                    Digital Signature, Key Encipherment",
          "email:jan@tesk.cz, DNS:tesk.cz, URI:https://tesk.cz/, IP Address:10.0.200.1, Registered ID:1.2.3.11, "
          "othername: UPN::jan@tesk",
          "URI:http://crl.tesk.cz/1\n                    Full Name:\n                      URI:http://crl.tesk.cz/2",
          "Policy: 1.2.3.9\n                    Policy: 1.2.3.10",
          "TLS Web Client Authentication, E-mail Protection"})
        EXPECT_NE(std::string::npos, request.text.find(shown)) << shown << "\n" << request.text;

    // Built again, the request is the same: one extension request, rebuilt.
    EXPECT_EQ(request.der, judgeRequest(m_machine, create(), "again").der);

    // A text the encoder cannot make a UTF-8 string goes as a BMP string.
    CMyError::Instance().SetText(u"");
    const std::u16string loneSurrogate = {u'B', 0xD800};
    ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.8", loneSurrogate));
    EXPECT_TRUE(contains(bytesOfBase64(create()), {0x06, 0x03, 0x55, 0x04, 0x08, 0x1E, 0x04, 0x00, 'B', 0xD8, 0x00}));
    EXPECT_NE(std::u16string::npos, CMyError::Instance().GetText().find(u"Opravuji na CERT_RDN_UNICODE_STRING"));
}

}  // namespace

TEST_F(SoftwareRequest, ThePendingCopyWaitsInTheRequestStoreNamingItsKey) {
    m_session.SetAttributeStringType(CERT_RDN_UTF8_STRING);
    ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.3", u"Jan Novák"));
    const std::vector<BYTE> request = bytesOfBase64(create());

    const OwnedCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                                             u"REQUEST"));
    ASSERT_TRUE(store);
    EXPECT_EQ(1u, certificatesIn(store.get()));
    const OwnedCertContext pending(CertEnumCertificatesInStore(store.get(), nullptr));
    ASSERT_TRUE(pending);
    const CERT_INFO& info = *pending->pCertInfo;
    EXPECT_EQ(static_cast<DWORD>(CERT_V3), info.dwVersion);
    EXPECT_EQ(std::vector<BYTE>{0x45}, bytesOf(info.SerialNumber));
    EXPECT_EQ(bytesOf(info.Subject), bytesOf(info.Issuer));
    const auto ticks = [](const FILETIME& t) { return ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime; };
    EXPECT_EQ(40ull * 24 * 3600 * 10'000'000, ticks(info.NotAfter) - ticks(info.NotBefore));

    // Subject, key, algorithm and signature are the request's.
    const DecodedObject signedRequest(X509_CERT, request.data(), static_cast<DWORD>(request.size()));
    const DecodedObject requestInfo(X509_CERT_REQUEST_TO_BE_SIGNED, request.data(),
                                    static_cast<DWORD>(request.size()));
    ASSERT_TRUE(signedRequest && requestInfo);
    const auto& requested = requestInfo.as<CERT_REQUEST_INFO>();
    EXPECT_EQ(bytesOf(requested.Subject), bytesOf(info.Subject));
    EXPECT_EQ(bytesOf({requested.SubjectPublicKeyInfo.PublicKey.cbData, requested.SubjectPublicKeyInfo.PublicKey.pbData}),
              bytesOf({info.SubjectPublicKeyInfo.PublicKey.cbData, info.SubjectPublicKeyInfo.PublicKey.pbData}));
    const DecodedObject pendingContent(X509_CERT, pending->pbCertEncoded, pending->cbCertEncoded);
    const auto& own = pendingContent.as<CERT_SIGNED_CONTENT_INFO>();
    const auto& original = signedRequest.as<CERT_SIGNED_CONTENT_INFO>();
    EXPECT_STREQ("1.3.14.3.2.29", own.SignatureAlgorithm.pszObjId);
    EXPECT_STREQ("1.3.14.3.2.29", info.SignatureAlgorithm.pszObjId);
    EXPECT_EQ(bytesOf({original.Signature.cbData, original.Signature.pbData}),
              bytesOf({own.Signature.cbData, own.Signature.pbData}));

    DWORD size = 0;
    ASSERT_TRUE(CertGetCertificateContextProperty(pending.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    RecordBuffer property(size);
    ASSERT_TRUE(CertGetCertificateContextProperty(pending.get(), CERT_KEY_PROV_INFO_PROP_ID, property.data(), &size));
    const auto& key = property.as<CRYPT_KEY_PROV_INFO>();
    EXPECT_EQ(std::u16string(kRequestContainer), key.pwszContainerName);
    EXPECT_EQ(std::u16string(kSoftwareProvider), key.pwszProvName);
    EXPECT_EQ(static_cast<DWORD>(PROV_RSA_FULL), key.dwProvType);
    EXPECT_EQ(static_cast<DWORD>(AT_SIGNATURE), key.dwKeySpec);

    // Only a request with a buffer is kept.
    DWORD length = 0;
    ASSERT_TRUE(m_session.EncodeAndSignRequest(nullptr, length));
    EXPECT_EQ(request.size(), length);
    EXPECT_EQ(1u, certificatesIn(store.get()));
}

TEST_F(SoftwareRequest, ProfileOneFixesStringTypesAndLeavesOutWhatItDoesNotAllow) {
    m_session.SetApplicationProfile(sgAppProfileQuib_CP31);
    m_session.SetAttributeStringType(CERT_RDN_BMP_STRING);
    for (const auto& [oid, value] : {std::pair<const char*, const char16_t*>{"2.5.4.6", u"CZ"},
                                     {"2.5.4.3", u"Jan Novák"},
                                     {"1.2.840.113549.1.9.1", u"jan@tesk.cz"},
                                     {"2.5.4.9", u"Dlouhá 1"}})
        ASSERT_TRUE(m_session.AddSubjectAttribute(oid, value)) << oid;

    // Refused items are dropped with success; the allowed ones stay.
    m_session.SetAttributeStringType(CERT_RDN_PRINTABLE_STRING);
    EXPECT_TRUE(m_session.RequestedExtension_ExtKeyUsage_AddOid("1.3.6.1.5.5.7.3.2"));
    EXPECT_TRUE(m_session.RequestedExtension_ExtKeyUsage_AddOid("1.3.6.1.5.5.7.3.8"));
    EXPECT_TRUE(m_session.RequestedExtension_CertPolicies_AddOid("1.2.3.9"));
    EXPECT_TRUE(m_session.RequestedExtension_CRLDistributionPoint_Add(CERT_ALT_NAME_URL, u"http://crl.tesk.cz/1"));
    EXPECT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_DNS_NAME, u"tesk.cz"));
    EXPECT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_REGISTERED_ID, u"1.2.3.11"));
    EXPECT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_OTHER_NAME, u"1.3.6.1.4.1.311.20.2.3"));
    EXPECT_TRUE(m_session.RequestedExtension_SubjectAltName_OtherName_Add("1.2.3.12", u"other"));
    // The user principal name is a UTF-8 string, though printable strings
    // cannot hold "@"; the session's type stays.
    EXPECT_TRUE(m_session.RequestedExtension_SubjectAltName_OtherName_Add("1.3.6.1.4.1.311.20.2.3", u"jan@tesk"));
    EXPECT_EQ(static_cast<DWORD>(CERT_RDN_PRINTABLE_STRING), m_session.GetAttributeStringType());
    EXPECT_TRUE(m_session.RequestedExtension_Add("1.2.3.4", FALSE, "0102"));
    EXPECT_TRUE(m_session.RequestedExtension_SetCritical("2.5.29.17", TRUE));
    EXPECT_TRUE(m_session.RequestedExtension_SetCritical("2.5.29.19", TRUE));
    const std::u16string log = CMyError::Instance().GetText();
    for (int kind : {0, 1, 2, 3, 4}) {
        const std::u16string note = u"Enroll (line:6666) (MyError: 1000000) (LastError:0x";
        const std::u16string text = u"Not allowed (1," + wide(std::to_string(kind)) + u")\n";
        std::size_t at = log.find(text);
        ASSERT_NE(std::u16string::npos, at) << kind << narrow(log);
        EXPECT_EQ(note, log.substr(log.rfind(u'\n', at) + 1, note.size()));
    }

    const JudgedRequest request = judged();
    EXPECT_EQ((std::vector<std::string>{"C=PRINTABLESTRING:CZ", "CN=UTF8STRING:Jan Novák",
                                        "emailAddress=IA5STRING:jan@tesk.cz", "street=BMPSTRING:Dlouhá 1"}),
              request.subject);
    EXPECT_EQ((std::vector<std::string>{"X509v3 Subject Alternative Name", "X509v3 Extended Key Usage"}),
              request.objectsAtDepth(7));
    EXPECT_NE(std::string::npos, request.text.find("X509v3 Subject Alternative Name: critical\n"
                                                   "                    DNS:tesk.cz, othername: UPN::jan@tesk\n"))
        << request.text;
    EXPECT_NE(std::string::npos, request.text.find("X509v3 Extended Key Usage: \n"
                                                   "                    TLS Web Client Authentication\n"));
}

TEST_F(SoftwareRequest, BadArgumentsAreRefusedAndChangeNothing) {
    m_session.SetAttributeStringType(CERT_RDN_UTF8_STRING);
    ASSERT_TRUE(m_session.AddSubjectAttribute("2.5.4.3", u"Jan Novák"));
    ASSERT_TRUE(m_session.AddAttribute_String("1.2.3.4.5", u"free"));
    ASSERT_TRUE(m_session.RequestedExtension_KeyUsage_SetBit(19));
    ASSERT_TRUE(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_IP_ADDRESS, u"192.168.0.255"));
    const JudgedRequest before = judged();
    // Bit 19, the highest a session takes, in the third byte.
    EXPECT_NE(std::string::npos, before.asn1.find("[HEX DUMP]:030404000010\n")) << before.asn1;
    EXPECT_NE(std::string::npos, before.text.find("IP Address:192.168.0.255"));

    const auto refused = [](BOOL result, DWORD error, int line = 0) {
        EXPECT_FALSE(result);
        EXPECT_EQ(error, GetLastError());
        if (line) {
            EXPECT_TRUE(logHasLine(line)) << line;
        }
    };
    const std::string_view withNul("1.2\0.3", 6);
    for (const std::string_view oid : {std::string_view("1.2.x"), std::string_view(""), std::string_view("3.1"),
                                       std::string_view("1.40.1"), std::string_view("1..2"), withNul}) {
        SCOPED_TRACE(std::string(oid));
        refused(m_session.AddSubjectAttribute(oid, u"x"), ERROR_INVALID_PARAMETER);
        refused(m_session.AddAttribute_String(oid, u"x"), ERROR_INVALID_PARAMETER);
        refused(m_session.AddAttribute_StringSHA1(oid, u"x"), ERROR_INVALID_PARAMETER);
        refused(m_session.RequestedExtension_ExtKeyUsage_AddOid(oid), ERROR_INVALID_PARAMETER);
        refused(m_session.RequestedExtension_CertPolicies_AddOid(oid), ERROR_INVALID_PARAMETER);
        refused(m_session.RequestedExtension_SubjectAltName_OtherName_Add(oid, u"x"), ERROR_INVALID_PARAMETER);
        refused(m_session.RequestedExtension_SetCritical(oid, TRUE), ERROR_INVALID_PARAMETER);
        refused(m_session.RequestedExtension_Add(oid, TRUE, "0500"), ERROR_INVALID_PARAMETER);
    }
    refused(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_REGISTERED_ID, u"1.2.č"),
            ERROR_INVALID_PARAMETER);
    refused(m_session.RequestedExtension_Add("1.2.3.4", TRUE, "xyz-XYZ"), ERROR_INVALID_PARAMETER, 3230);
    refused(m_session.RequestedExtension_Add("1.2.3.4", TRUE, "7"), ERROR_INVALID_PARAMETER, 3230);
    refused(m_session.RequestedExtension_KeyUsage_SetBit(20), ERROR_INVALID_PARAMETER, 2187);
    refused(m_session.RequestedExtension_KeyUsage_SetBit(0xFFFFFFFF), ERROR_INVALID_PARAMETER, 2187);
    for (const char16_t* address : {u"1.2.3.256", u"1.2.3", u"1.2.3.4.5", u"1.2.3.", u"1.2.3.4 ", u"-1.2.3.4"})
        refused(m_session.RequestedExtension_SubjectAltName_Add(CERT_ALT_NAME_IP_ADDRESS, address),
                ERROR_INVALID_PARAMETER, 2401);
    for (const DWORD type : {CERT_ALT_NAME_X400_ADDRESS, CERT_ALT_NAME_DIRECTORY_NAME, CERT_ALT_NAME_EDI_PARTY_NAME}) {
        refused(m_session.RequestedExtension_SubjectAltName_Add(type, u"x"), ERROR_UNSUPPORTED_TYPE, 2451);
        refused(m_session.RequestedExtension_CRLDistributionPoint_Add(type, u"x"), ERROR_UNSUPPORTED_TYPE, 2451);
    }
    for (const DWORD type : {0u, 10u})
        refused(m_session.RequestedExtension_CRLDistributionPoint_Add(type, u"x"), ERROR_INVALID_PARAMETER, 2456);

    // A character the ANSI code page lacks would turn into "?": refused.
    m_session.SetAttributeStringType(CERT_RDN_PRINTABLE_STRING);
    refused(m_session.AddSubjectAttribute("2.5.4.3", u"Иван"), ERROR_NO_UNICODE_TRANSLATION);
    refused(m_session.AddAttribute_String("1.2.3.4.6", u"Иван"), ERROR_NO_UNICODE_TRANSLATION);
    refused(m_session.AddAttribute_StringSHA1("1.2.3.4.6", u"Иван"), ERROR_NO_UNICODE_TRANSLATION);
    refused(m_session.RequestedExtension_SubjectAltName_OtherName_Add("1.2.3.12", u"Иван"),
            ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_FALSE(m_session.RemoveSubjectAttribute(std::string_view()));

    EXPECT_EQ(before.der, judgeRequest(m_machine, create(), "after").der);
}

TEST_F(SoftwareRequest, SubjectsAreTakenOverFromCertificates) {
    namespace pki = testkit::pki;
    using Type = pki::StringType;
    const pki::Credential master = pki::CertificateBuilder()
                                       .subject({{"C", "CZ", Type::Printable},
                                                 {"O", "Tesk Praha", Type::Utf8},
                                                 {"CN", "Jan Nov\xC3\xA1k", Type::Bmp},
                                                 {"2.5.4.5", "Tesk - 42", Type::Printable}})
                                       .build();
    const pki::Credential copy = pki::CertificateBuilder()
                                     .subject({{"C", "SK", Type::Printable},
                                               {"O", "Jin\xC3\xA1 firma", Type::Utf8},
                                               {"2.5.4.42", "Petr", Type::Utf8},
                                               {"2.5.4.5", "ABC-1", Type::Printable}})
                                     .build();
    const std::u16string masterPem = wide(master.certificate.pem());
    const std::u16string copyBase64 = base64Of(copy.certificate.der());

    // The master's own types; its serial number from this system is left out.
    EXPECT_EQ(0u, m_session.X509SubjectToReqTesk(masterPem));
    EXPECT_EQ(static_cast<DWORD>(CERT_RDN_BMP_STRING), m_session.GetAttributeStringType());
    const std::vector<std::string> masterSubject = {"C=PRINTABLESTRING:CZ", "O=UTF8STRING:Tesk Praha",
                                                    "CN=BMPSTRING:Jan Novák"};
    EXPECT_EQ(masterSubject, judged().subject);

    // Without a given name, the person's names follow.
    restart();
    EXPECT_EQ(0u, m_session.X509SubjectToPersonalReqTesk(masterPem, u"Jan", u"Novák"));
    std::vector<std::string> personal = masterSubject;
    personal.insert(personal.end(), {"GN=UTF8STRING:Jan", "SN=UTF8STRING:Novák"});
    EXPECT_EQ(personal, judged().subject);

    // With one, they are not needed; other serial numbers stay.
    restart();
    EXPECT_EQ(0u, m_session.X509SubjectToPersonalReqTesk(copyBase64, u"", u""));
    EXPECT_EQ((std::vector<std::string>{"C=PRINTABLESTRING:SK", "O=UTF8STRING:Jiná firma", "GN=UTF8STRING:Petr",
                                        "serialNumber=PRINTABLESTRING:ABC-1"}),
              judged().subject);

    // Refusals add nothing; then the copy's listed attributes come first.
    restart();
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), m_session.X509SubjectToReqTesk(u""));
    EXPECT_NE(0u, m_session.X509SubjectToReqTesk(u"not a certificate"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              m_session.X509SubjectToPersonalReqTesk(masterPem, u"", u"Novák"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              m_session.X509MergeSubjectToPersonalReqTesk(u"", copyBase64, "2.5.4.10", u"Jan", u"Novák"));
    EXPECT_EQ(0u, m_session.X509MergeSubjectToPersonalReqTesk(masterPem, copyBase64, "2.5.4.10,2.5.4.42", u"Jan",
                                                              u"Novák"));
    EXPECT_EQ((std::vector<std::string>{"O=UTF8STRING:Jiná firma", "GN=UTF8STRING:Petr", "C=PRINTABLESTRING:CZ",
                                        "CN=BMPSTRING:Jan Novák"}),
              judged().subject);
}

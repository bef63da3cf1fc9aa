// The renewal program's certificate records read from the user's "MY" store
// against `openssl x509`, the captions of their alternative names, odd and
// damaged certificates in the store, and a record's key found again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <string>
#include <vector>

#include "cert_store_support.h"
#include "halvex/alt_name_caption.h"
#include "halvex/cert_access.h"
#include "win32/registry.h"

namespace {

using namespace cert_support;

constexpr char kIkMpsv[] = "1.3.6.1.4.1.11801.2.1";
constexpr char kIdsMpsv[] = "1.3.6.1.4.1.11801.2.3";

FILETIME fileTimeOf(pki::Instant instant) {
    const auto seconds = static_cast<ULONGLONG>(instant.time_since_epoch().count());
    const ULONGLONG value = (seconds + 11644473600ull) * 10000000ull;
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

bool sameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

std::string hexOf(const std::vector<BYTE>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (BYTE b : bytes) text += std::string(text.empty() ? "" : ":") + digits[b >> 4] + digits[b & 15];
    return text;
}

std::u16string withoutLineFeeds(std::u16string text) {
    std::erase(text, u'\n');
    return text;
}

// Every "Policy: <oid>" line of `openssl x509 -text`.
std::vector<std::u16string> opensslPolicies(const std::string& text) {
    std::vector<std::u16string> out;
    static const std::regex line(R"(Policy: ([0-9.]+))");
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it)
        out.push_back(platform::text::fromUtf8((*it)[1].str()));
    return out;
}

std::string afterPrefix(std::string text, const std::string& prefix) {
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text;
}

// The DER with the serial INTEGER 0A written as 00 0A, as some issuers do;
// both enclosing SEQUENCEs (long form, two length bytes) grow by one byte.
testkit::Bytes withPaddedSerial(testkit::Bytes der) {
    const testkit::Bytes serial{0x02, 0x01, 0x0A};
    const auto at = std::search(der.begin() + 8, der.end(), serial.begin(), serial.end());
    EXPECT_NE(der.end(), at);
    der.insert(der.erase(at, at + 3), {0x02, 0x02, 0x00, 0x0A});
    for (std::size_t lengthAt : {2u, 6u}) {
        const unsigned length = (der[lengthAt] << 8 | der[lengthAt + 1]) + 1;
        der[lengthAt] = static_cast<std::uint8_t>(length >> 8);
        der[lengthAt + 1] = static_cast<std::uint8_t>(length);
    }
    return der;
}

// An entry of the user's "MY" store whose certificate does not decode.
void addUndecodableEntry() {
    const std::u16string key = u"Software\\Microsoft\\SystemCertificates\\MY\\Certificates\\"
                               u"00112233445566778899AABBCCDDEEFF00112233";
    HKEY entry = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &entry, nullptr));
    const BYTE blob[] = {'T', 'S', 'K', 'B', 1, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0x30, 0x82, 0xFF, 0x01, 0x02};
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(entry, u"Blob", 0, REG_BINARY, blob, sizeof blob));
    RegCloseKey(entry);
}

class CertRecords : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
    ScriptUi ui;
    const pki::Hierarchy pki = pki::Hierarchy::make();
};

TEST_F(CertRecords, RecordsOfTheStoreShowWhatOpensslReadsLastCertificateFirst) {
    const pki::Instant notBefore = pki::utc("2026-01-01T08:30:00Z");
    const pki::Instant notAfter = pki::fromNow(std::chrono::hours(24 * 200));
    const auto full = userOf(pki.qualifiedCa, "Jana Nováková")
                          .serial({0x8A})
                          .validity(notBefore, notAfter)
                          .keyUsage(pki::kNonRepudiation | pki::kDigitalSignature)
                          .extendedKeyUsage({std::string(pki::kClientAuth), std::string(pki::kEmailProtection)})
                          .policies({{std::string(pki::kQualifiedPolicy)}, {"1.3.158.36061701.1.1.6"}})
                          .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                          .comment("8001234567")
                          .authorityExtension("P-77")
                          .subjectAltNames({pki::GeneralName::otherName(kIkMpsv, "123456"),
                                            pki::GeneralName::otherName(kIdsMpsv, "IDS-9"),
                                            pki::GeneralName::otherName("1.2.3.4", "Zoë Ωmega"),
                                            pki::GeneralName::rfc822("jana@example.cz"),
                                            pki::GeneralName::dns("tesk.example"),
                                            pki::GeneralName::uri("https://tesk.example/"),
                                            pki::GeneralName::ip("10.0.0.1"),
                                            pki::GeneralName::directory(pki::Name{{"CN", "dir"}})});
    const pki::Certificate fullCertificate = pki::CertificateBuilder(full).key(pki::Key::rsa(2048, "halvex user")).build().certificate;
    testkit::TestCsp csp(testkit::CspKind::Software, root, u"jana");
    addToStore(u"MY", pki.commercial.certificate);
    addToStore(u"MY", csp.certificateWithKey(full, "halvex user"));

    halvex::TCryptoapi access;
    std::vector<halvex::CertInfo> records;
    ASSERT_EQ(2u, access.EnumStoreCertificates(records, false, u"MY", u"", true));
    const halvex::CertInfo& r = records[0];
    EXPECT_EQ(u"Tesk Commercial User", records[1].commonName) << "the store's first certificate comes last";

    const std::string text = openssl(root, fullCertificate, {"-text"});
    EXPECT_EQ(afterPrefix(openssl(root, fullCertificate, {"-subject", "-nameopt", "utf8,sep_comma_plus_space"}),
                          "subject="),
              utf8(r.subjectDn));
    EXPECT_EQ(afterPrefix(openssl(root, fullCertificate, {"-issuer", "-nameopt", "utf8,sep_comma_plus_space"}),
                          "issuer="),
              utf8(r.issuerDn));
    EXPECT_EQ(u"Jana Nováková", r.commonName);
    EXPECT_EQ(u"jana@example.cz", r.email);
    EXPECT_EQ(u"Tesk Qualified CA", r.issuerCommonName);
    EXPECT_EQ("serial=8A", afterPrefix(openssl(root, fullCertificate, {"-serial"}), ""));
    EXPECT_EQ(u"008a", r.serial) << "the sign byte CryptoAPI keeps is shown too";
    EXPECT_EQ(afterPrefix(openssl(root, fullCertificate, {"-fingerprint", "-sha1"}), "sha1 Fingerprint="),
              hexOf(r.thumbprint));
    EXPECT_NE(std::string::npos, text.find("Public-Key: (" + std::to_string(r.keyLength) + " bit)"));
    EXPECT_EQ(2048u, r.keyLength);
    EXPECT_EQ(opensslPolicies(text), r.policyOids);
    EXPECT_NE(std::string::npos, text.find("Digital Signature, Non Repudiation"));
    EXPECT_EQ(0xC0, r.keyUsage);
    ASSERT_EQ(2u, r.extendedKeyUsages.size());
    EXPECT_EQ(u"1.3.6.1.5.5.7.3.2", r.extendedKeyUsages[0].oid);
    EXPECT_EQ(u"1.3.6.1.5.5.7.3.4", r.extendedKeyUsages[1].oid);
    EXPECT_EQ((std::vector<std::u16string>{u"0.4.0.1862.1.1", u"0.4.0.1862.1.4"}), r.qcStatementOids);
    EXPECT_NE(std::string::npos, text.find("8001234567"));
    EXPECT_EQ(u"8001234567", r.cardNumber);
    EXPECT_EQ(u"P-77", r.pairNumber);
    EXPECT_TRUE(sameTime(fileTimeOf(notBefore), r.notBefore));
    EXPECT_TRUE(sameTime(fileTimeOf(notAfter), r.notAfter));
    EXPECT_EQ(fullCertificate.der(), r.der);
    EXPECT_EQ(withoutLineFeeds(platform::text::fromUtf8(fullCertificate.pem())), withoutLineFeeds(r.pem));
    EXPECT_EQ(u"MY", r.storeName);
    EXPECT_EQ(u"jana", r.containerName);
    EXPECT_EQ(csp.provider(), r.providerName);
    EXPECT_TRUE(records[1].providerName.empty() && records[1].containerName.empty()) << "no key, no provider";
    EXPECT_TRUE(r.qualifiedPolicy && r.type6 && r.authorityFamily && !r.type1) << "production is the default";

    ASSERT_EQ(3u, r.subjectAttributes.size());
    EXPECT_EQ(u"2.5.4.3", r.subjectAttributes[2].oid);
    EXPECT_EQ(u"Jana Nováková", r.subjectAttributes[2].value);

    // What the wizard shows of each alternative name; the directory name is
    // not among them.
    std::vector<std::u16string> shown;
    for (const TRDNAttrW& name : r.altNames) shown.push_back(halvex::AltNameCaption(name) + u"|" + name.value);
    EXPECT_EQ((std::vector<std::u16string>{u"IK MPSV: |123456", u"IDS MPSV: |IDS-9",
                                           u"Alternativní jméno předmětu|Zoë Ωmega",
                                           u"Adresa el. pošty (RFC822)|jana@example.cz", u"DNS jméno|tesk.example",
                                           u"URL|https://tesk.example/", u"IP adresa|10.0.0.1"}),
              shown);
    EXPECT_EQ(u"", halvex::AltNameCaption(TRDNAttrW(u"5", 0, u"")));
}

TEST_F(CertRecords, OddAndDamagedCertificatesAreReadAsFarAsTheyGoOrSkipped) {
    const auto padded = userOf(pki.standardCa, "Padded Serial").serial({0x0A}).build().certificate;
    const testkit::Bytes paddedDer = withPaddedSerial(padded.der());
    OwnedCertStore my = userStore(u"MY");
    ASSERT_TRUE(CertAddEncodedCertificateToStore(my.get(), X509_ASN_ENCODING, paddedDer.data(),
                                                 static_cast<DWORD>(paddedDer.size()), CERT_STORE_ADD_ALWAYS, nullptr));
    my.reset();
    const testkit::Bytes garbage{0x04, 0x03, 0xFF, 0x00};
    addToStore(u"MY", userOf(pki.standardCa, "Damaged Extensions")
                          .extension({"2.5.29.32", false, garbage})
                          .extension({"1.3.6.1.5.5.7.1.3", false, {0x30, 0x05, 0x30}})
                          .extension({"2.5.29.17", false, {0x30, 0x04, 0xA0, 0x09, 0x06}})
                          .extension({"2.5.29.37", false, garbage})
                          .extension({"2.5.29.15", false, {0x03}})
                          .extension({"2.16.840.1.113730.1.13", false, {0x02, 0x01, 0x05}})
                          .extension({"1.3.6.1.4.1.32473.4.3", false, {0x0C, 0x7F, 'x'}})
                          .build()
                          .certificate);
    addUndecodableEntry();

    halvex::TCryptoapi access;
    std::vector<halvex::CertInfo> records;
    ASSERT_EQ(2u, access.EnumStoreCertificates(records, false, u"MY", u"", false));
    const halvex::CertInfo& damaged = records[0];
    EXPECT_EQ(u"C=CZ, O=Tesk Test, CN=Damaged Extensions", damaged.subjectDn);
    EXPECT_TRUE(damaged.policyOids.empty() && damaged.qcStatementOids.empty() && damaged.altNames.empty());
    EXPECT_EQ(u"", damaged.cardNumber);
    EXPECT_EQ(u"", damaged.pairNumber);
    EXPECT_EQ(0, damaged.keyUsage);
    EXPECT_EQ(u"000a", records[1].serial) << "serial bytes 00 0A as stored";

    EXPECT_EQ(0u, access.EnumStoreCertificates(records, false, u"NoSuchStore", u"", false));
    EXPECT_NE(0u, access.LastStoreError());
    EXPECT_EQ(2u, records.size()) << "what the list held stays";
}

TEST_F(CertRecords, IssuerAndTimeFiltersKeepTheirCertificates) {
    addToStore(u"MY", pki.qualified.certificate);
    addToStore(u"MY", pki.commercial.certificate);
    addToStore(u"MY", pki.expired.certificate);
    halvex::TCryptoapi access;
    std::vector<halvex::CertInfo> all, valid, ofQualifiedCa;
    EXPECT_EQ(3u, access.EnumStoreCertificates(all, false, u"MY", u"", false));
    EXPECT_EQ(2u, access.EnumStoreCertificates(valid, false, u"MY", u"", true));
    const std::u16string qualifiedCa = all[2].issuerDn;
    ASSERT_EQ(1u, access.EnumStoreCertificates(ofQualifiedCa, false, u"MY", qualifiedCa, false));
    EXPECT_EQ(all[2].serial, ofQualifiedCa[0].serial);
}

TEST(CertRecordKey, RecordFindsItsSoftwareKey) { checkRecordFindsItsKey(testkit::CspKind::Software); }

}  // namespace

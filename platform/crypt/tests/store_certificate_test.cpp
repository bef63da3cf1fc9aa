// What the certificate helpers read from a certificate: names, keys, key
// usages, and the checks of a subject against its issuer.
#include <algorithm>
#include <cstring>
#include <vector>
#include <optional>

#include "platform/clock.h"
#include "store_fixture.h"
#include "win32/crypt_names.h"
#include "win32/crypt_provider.h"

using namespace store_test;

namespace {

std::u16string nameOf(PCCERT_CONTEXT cert, DWORD type, DWORD flags = 0, void* para = nullptr) {
    const DWORD size = CertGetNameStringW(cert, type, flags, para, nullptr, 0);
    std::u16string text(size, u'\0');
    EXPECT_EQ(size, CertGetNameStringW(cert, type, flags, para, text.data(), size));
    return text.c_str();
}

ULONGLONG ticksOf(const FILETIME& ft) { return ULONGLONG{ft.dwHighDateTime} << 32 | ft.dwLowDateTime; }

// The layer's clock fixed for one test.
class FixedClock {
public:
    explicit FixedClock(ULONGLONG at) { platform::clock::setForTests(at); }
    ~FixedClock() { platform::clock::setForTests(std::nullopt); }
};

DWORD checks(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags) {
    EXPECT_TRUE(CertVerifySubjectCertificateContext(subject, issuer, &flags)) << std::hex << GetLastError();
    return flags;
}

// One byte of the signature changed: still DER, no longer signed.
Bytes tampered(const Bytes& der) {
    Bytes copy = der;
    copy[copy.size() - 10] ^= 0x01;
    return copy;
}

}  // namespace

TEST_F(StoreTest, NameStringsFollowTheRulesOfEachType) {
    const Cert user = certOf(pki().user);
    EXPECT_EQ(u"Jan Novák", nameOf(user.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE));
    EXPECT_EQ(u"Tesk Test CA", nameOf(user.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, CERT_NAME_ISSUER_FLAG));
    EXPECT_EQ(u"jan.novak@example.cz", nameOf(user.get(), CERT_NAME_EMAIL_TYPE));
    EXPECT_EQ(u"Signing", nameOf(user.get(), CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_ORGANIZATIONAL_UNIT_NAME)));
    EXPECT_EQ(u"Tesk Test CA", nameOf(user.get(), CERT_NAME_ATTR_TYPE, CERT_NAME_ISSUER_FLAG,
                                      const_cast<char*>(szOID_COMMON_NAME)));
    DWORD x500 = CERT_X500_NAME_STR;
    const std::u16string rdn = nameOf(user.get(), CERT_NAME_RDN_TYPE, 0, &x500);
    EXPECT_NE(std::u16string::npos, rdn.find(u"CN=Jan Novák")) << std::string(rdn.begin(), rdn.end());

    // Without a common name: the unit, then the organisation; with no name at all, the e-mail of the alt. name.
    const Cert noCn = certOf(pki().noCommonName);
    EXPECT_EQ(u"Tesk Unit", nameOf(noCn.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE));
    EXPECT_EQ(u"", nameOf(noCn.get(), CERT_NAME_EMAIL_TYPE));
    EXPECT_EQ(1u, CertGetNameStringW(noCn.get(), CERT_NAME_EMAIL_TYPE, 0, nullptr, nullptr, 0)) << "empty is 1";
    const Cert mail = certOf(pki().mailOnly);
    EXPECT_EQ(u"only.mail@example.cz", nameOf(mail.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE));

    // The friendly name when there is one.
    EXPECT_EQ(u"Jan Novák", nameOf(user.get(), CERT_NAME_FRIENDLY_DISPLAY_TYPE));
    const CRYPT_DATA_BLOB label = textBlob(u"Jan Novák, signature");
    ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &label));
    EXPECT_EQ(u"Jan Novák, signature", nameOf(user.get(), CERT_NAME_FRIENDLY_DISPLAY_TYPE));

    // A damaged alternative-name extension leaves the subject's own name readable.
    CERT_INFO damaged = *user->pCertInfo;
    std::vector<CERT_EXTENSION> extensions(damaged.rgExtension, damaged.rgExtension + damaged.cExtension);
    BYTE garbage[] = {0x30, 0x05, 0x81, 0x7F};
    extensions.push_back({const_cast<char*>(szOID_SUBJECT_ALT_NAME2), FALSE, {sizeof garbage, garbage}});
    std::rotate(extensions.begin(), extensions.end() - 1, extensions.end());
    damaged.rgExtension = extensions.data();
    damaged.cExtension = static_cast<DWORD>(extensions.size());
    CERT_CONTEXT withDamage = *user.get();
    withDamage.pCertInfo = &damaged;
    EXPECT_EQ(u"Jan Novák", nameOf(&withDamage, CERT_NAME_SIMPLE_DISPLAY_TYPE));
}

TEST_F(StoreTest, NameStringCountsIncludeTheNulAndShortBuffersAreCut) {
    const Cert user = certOf(pki().user);
    EXPECT_EQ(10u, CertGetNameStringW(user.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0));
    WCHAR small[4];
    EXPECT_EQ(4u, CertGetNameStringW(user.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, small, 4));
    EXPECT_EQ(std::u16string(u"Jan"), small);
    // The narrow form is in the ANSI code page (Windows-1250): "á" is one byte.
    char narrow[16];
    EXPECT_EQ(10u, CertGetNameStringA(user.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, narrow, sizeof narrow));
    EXPECT_STREQ("Jan Nov\xE1k", narrow);
    EXPECT_EQ(1u, CertGetNameStringW(user.get(), 77, 0, nullptr, small, 4));
    EXPECT_EQ(u'\0', small[0]);
}

TEST_F(StoreTest, ComparisonsOfNamesSerialsAndKeys) {
    const Cert user = certOf(pki().user);
    const Cert ca = certOf(pki().ca);
    const Cert root = certOf(pki().root);
    EXPECT_TRUE(CertCompareCertificateName(X509_ASN_ENCODING, &user->pCertInfo->Issuer, &ca->pCertInfo->Subject));
    EXPECT_FALSE(CertCompareCertificateName(X509_ASN_ENCODING, &user->pCertInfo->Issuer, &root->pCertInfo->Subject));
    EXPECT_TRUE(CertCompareCertificate(X509_ASN_ENCODING, user->pCertInfo, user->pCertInfo));
    EXPECT_FALSE(CertCompareCertificate(X509_ASN_ENCODING, user->pCertInfo, ca->pCertInfo));

    // A serial with a redundant high-order byte repeating its sign is the
    // same number.
    CERT_INFO id = *user->pCertInfo;
    Bytes serial(user->pCertInfo->SerialNumber.pbData,
                 user->pCertInfo->SerialNumber.pbData + user->pCertInfo->SerialNumber.cbData);
    serial.push_back((serial.back() & 0x80) ? 0xFF : 0x00);
    id.SerialNumber = crypt_test::blobOf(serial);
    EXPECT_TRUE(CertCompareCertificate(X509_ASN_ENCODING, user->pCertInfo, &id));

    EXPECT_TRUE(CertComparePublicKeyInfo(X509_ASN_ENCODING, &user->pCertInfo->SubjectPublicKeyInfo,
                                         &user->pCertInfo->SubjectPublicKeyInfo));
    EXPECT_FALSE(CertComparePublicKeyInfo(X509_ASN_ENCODING, &user->pCertInfo->SubjectPublicKeyInfo,
                                          &ca->pCertInfo->SubjectPublicKeyInfo));
    EXPECT_EQ(2048u, CertGetPublicKeyLength(X509_ASN_ENCODING, &user->pCertInfo->SubjectPublicKeyInfo));
    const Cert old = certOf(pki().oldRoot);
    EXPECT_EQ(1024u, CertGetPublicKeyLength(X509_ASN_ENCODING, &old->pCertInfo->SubjectPublicKeyInfo));
}

TEST_F(StoreTest, IntendedKeyUsageGivesTheBitsOrFalseWithErrorZero) {
    const Cert user = certOf(pki().user);
    BYTE usage[2] = {0xFF, 0xFF};
    ASSERT_TRUE(CertGetIntendedKeyUsage(X509_ASN_ENCODING, user->pCertInfo, usage, sizeof usage));
    EXPECT_EQ(CERT_DIGITAL_SIGNATURE_KEY_USAGE | CERT_NON_REPUDIATION_KEY_USAGE, usage[0]);
    EXPECT_EQ(0, usage[1]);
    const Cert noUsage = certOf(pki().noCommonName);
    SetLastError(5);
    EXPECT_FALSE(CertGetIntendedKeyUsage(X509_ASN_ENCODING, noUsage->pCertInfo, usage, sizeof usage));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_TRUE(CertFindExtension(szOID_KEY_USAGE, user->pCertInfo->cExtension, user->pCertInfo->rgExtension));
    EXPECT_FALSE(CertFindExtension(szOID_CERT_POLICIES, user->pCertInfo->cExtension, user->pCertInfo->rgExtension));
}

TEST_F(StoreTest, EnhancedKeyUsageCombinesExtensionAndProperty) {
    auto usages = [](PCCERT_CONTEXT cert, DWORD flags, DWORD* error) {
        DWORD size = 0;
        EXPECT_TRUE(CertGetEnhancedKeyUsage(cert, flags, nullptr, &size));
        std::vector<BYTE> block(size);
        auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(block.data());
        SetLastError(12345);
        EXPECT_TRUE(CertGetEnhancedKeyUsage(cert, flags, usage, &size));
        *error = GetLastError();
        return std::vector<std::string>(usage->rgpszUsageIdentifier,
                                        usage->rgpszUsageIdentifier + usage->cUsageIdentifier);
    };
    DWORD error = 0;
    const Cert user = certOf(pki().user);
    EXPECT_EQ((std::vector<std::string>{szOID_PKIX_KP_CLIENT_AUTH, szOID_PKIX_KP_EMAIL_PROTECTION}),
              usages(user.get(), 0, &error));

    // Neither source: good for every use.
    const Cert plain = certOf(pki().noCommonName);
    EXPECT_TRUE(usages(plain.get(), 0, &error).empty());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), error);

    // A property that shares nothing with the extension leaves no use at all.
    LPSTR timestamp[] = {const_cast<char*>(szOID_PKIX_KP_TIMESTAMP_SIGNING)};
    CERT_ENHKEY_USAGE property{1, timestamp};
    const Bytes encoded = crypt_test::encode(X509_ENHANCED_KEY_USAGE, &property);
    CRYPT_DATA_BLOB blob = crypt_test::blobOf(encoded);
    ASSERT_TRUE(CertSetCertificateContextProperty(user.get(), CERT_ENHKEY_USAGE_PROP_ID, 0, &blob));
    EXPECT_TRUE(usages(user.get(), 0, &error).empty());
    EXPECT_EQ(0u, error);
    EXPECT_EQ(std::vector<std::string>{szOID_PKIX_KP_TIMESTAMP_SIGNING},
              usages(user.get(), CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG, &error));
    EXPECT_EQ(2u, usages(user.get(), CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, &error).size());
    EXPECT_TRUE(usages(plain.get(), CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG, &error).empty());
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), error);
}

TEST_F(StoreTest, SignatureCheckPassesForTheIssuerAndFailsForATamperedCertificate) {
    const Cert user = certOf(pki().user);
    const Cert ca = certOf(pki().ca);
    const Cert root = certOf(pki().root);
    EXPECT_EQ(0u, checks(user.get(), ca.get(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_EQ(0u, checks(ca.get(), root.get(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_EQ(0u, checks(root.get(), root.get(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_EQ(CERT_STORE_SIGNATURE_FLAG, checks(user.get(), root.get(), CERT_STORE_SIGNATURE_FLAG));
    const Cert forged = certOf(tampered(pki().user));
    ASSERT_TRUE(forged);
    EXPECT_EQ(CERT_STORE_SIGNATURE_FLAG, checks(forged.get(), ca.get(), CERT_STORE_SIGNATURE_FLAG));

    // Old material: a 1024-bit SHA-1 root and an MD5 signature still verify.
    const Cert oldRoot = certOf(pki().oldRoot);
    const Cert md5Leaf = certOf(pki().md5Leaf);
    EXPECT_EQ(0u, checks(oldRoot.get(), oldRoot.get(), CERT_STORE_SIGNATURE_FLAG));
    EXPECT_EQ(0u, checks(md5Leaf.get(), oldRoot.get(), CERT_STORE_SIGNATURE_FLAG));

    DWORD flags = CERT_STORE_SIGNATURE_FLAG;
    EXPECT_FALSE(CertVerifySubjectCertificateContext(user.get(), nullptr, &flags));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    flags = CERT_STORE_REVOCATION_FLAG | 0x100;
    EXPECT_FALSE(CertVerifySubjectCertificateContext(user.get(), ca.get(), &flags));
}

TEST_F(StoreTest, TimeValidityIsCheckedAgainstTheLayersClock) {
    const Cert user = certOf(pki().user);
    const Cert ca = certOf(pki().ca);
    const ULONGLONG notBefore = ticksOf(user->pCertInfo->NotBefore);
    const ULONGLONG notAfter = ticksOf(user->pCertInfo->NotAfter);
    {
        const FixedClock before(notBefore - 1);
        EXPECT_EQ(CERT_STORE_TIME_VALIDITY_FLAG, checks(user.get(), nullptr, CERT_STORE_TIME_VALIDITY_FLAG));
        // Each check clears only its own flag.
        EXPECT_EQ(CERT_STORE_TIME_VALIDITY_FLAG,
                  checks(user.get(), ca.get(), CERT_STORE_SIGNATURE_FLAG | CERT_STORE_TIME_VALIDITY_FLAG));
    }
    {
        const FixedClock first(notBefore);
        EXPECT_EQ(0u, checks(user.get(), nullptr, CERT_STORE_TIME_VALIDITY_FLAG));
    }
    {
        const FixedClock last(notAfter);
        EXPECT_EQ(0u, checks(user.get(), nullptr, CERT_STORE_TIME_VALIDITY_FLAG));
    }
    {
        const FixedClock after(notAfter + 1);
        EXPECT_EQ(CERT_STORE_TIME_VALIDITY_FLAG, checks(user.get(), nullptr, CERT_STORE_TIME_VALIDITY_FLAG));
    }
}

TEST_F(StoreTest, IssuerIsFoundInTheStoreWithTheChecksRunOnTheSubject) {
    const Store store = memoryStore();
    for (const Bytes* der : {&pki().root, &pki().ca})
        ASSERT_TRUE(CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der->data(),
                                                     static_cast<DWORD>(der->size()), CERT_STORE_ADD_NEW, nullptr));
    const Cert user = certOf(pki().user);
    DWORD flags = CERT_STORE_SIGNATURE_FLAG | CERT_STORE_TIME_VALIDITY_FLAG;
    PCCERT_CONTEXT issuer = CertGetIssuerCertificateFromStore(store.get(), user.get(), nullptr, &flags);
    ASSERT_TRUE(issuer);
    EXPECT_EQ(pki().ca, Bytes(issuer->pbCertEncoded, issuer->pbCertEncoded + issuer->cbCertEncoded));
    EXPECT_EQ(0u, flags);

    const Cert forged = certOf(tampered(pki().user));
    flags = CERT_STORE_SIGNATURE_FLAG;
    const Cert stillFound(CertGetIssuerCertificateFromStore(store.get(), forged.get(), nullptr, &flags));
    EXPECT_TRUE(stillFound) << "a failed check still returns the issuer";
    EXPECT_EQ(CERT_STORE_SIGNATURE_FLAG, flags);

    // No further issuer: the previous one is freed, and NO_ISSUER is added.
    flags = CERT_STORE_SIGNATURE_FLAG;
    EXPECT_FALSE(CertGetIssuerCertificateFromStore(store.get(), user.get(), issuer, &flags));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    EXPECT_EQ(CERT_STORE_SIGNATURE_FLAG | CERT_STORE_NO_ISSUER_FLAG, flags);

    const Cert root = certOf(pki().root);
    flags = 0;
    EXPECT_FALSE(CertGetIssuerCertificateFromStore(store.get(), root.get(), nullptr, &flags));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_SELF_SIGNED), GetLastError());
}

TEST_F(StoreTest, ExportedPublicKeyInfoIsReadByOpensslAndImportsBack) {
    HCRYPTPROV prov = 0;
    ASSERT_TRUE(CryptAcquireContextW(&prov, u"store-test", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET))
        << std::hex << GetLastError();
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, (1024u << 16) | CRYPT_EXPORTABLE, &key));
    CryptDestroyKey(key);

    DWORD size = 0;
    ASSERT_TRUE(CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size));
    std::vector<BYTE> block(size);
    auto* info = reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(block.data());
    ASSERT_TRUE(CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING, info, &size));
    EXPECT_STREQ(szOID_RSA_RSA, info->Algorithm.pszObjId);
    EXPECT_EQ((Bytes{0x05, 0x00}), crypt_test::bytesOf(info->Algorithm.Parameters));
    EXPECT_EQ(1024u, CertGetPublicKeyLength(X509_ASN_ENCODING, info));
    EXPECT_FALSE(CryptExportPublicKeyInfo(prov, AT_KEYEXCHANGE, X509_ASN_ENCODING, nullptr, &size)) << "no such key";

    // OpenSSL reads the key info as a SubjectPublicKeyInfo of the same key.
    const Bytes spki = crypt_test::encode(X509_PUBLIC_KEY_INFO, info);
    m_root.write("spki.der", std::string(spki.begin(), spki.end()));
    const auto parsed = testkit::run({"openssl", "pkey", "-pubin", "-inform", "DER", "-in", "spki.der", "-noout",
                                      "-text"},
                                     m_root.path());
    EXPECT_EQ(0, parsed.exitCode) << parsed.err;
    EXPECT_NE(std::string::npos, parsed.out.find("1024 bit"));

    HCRYPTKEY imported = 0;
    ASSERT_TRUE(CryptImportPublicKeyInfo(prov, X509_ASN_ENCODING, info, &imported)) << std::hex << GetLastError();
    CryptDestroyKey(imported);
    const Cert user = certOf(pki().user);
    EXPECT_FALSE(CertComparePublicKeyInfo(X509_ASN_ENCODING, info, &user->pCertInfo->SubjectPublicKeyInfo));
    EXPECT_TRUE(CertComparePublicKeyInfo(X509_ASN_ENCODING, info, info));
    CryptReleaseContext(prov, 0);
}

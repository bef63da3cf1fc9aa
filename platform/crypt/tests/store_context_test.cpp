// Certificate contexts and their properties.
#include <cstring>

#include "store_fixture.h"
#include "win32/crypt_provider.h"

using namespace store_test;

namespace {

Bytes propertyOf(PCCERT_CONTEXT cert, DWORD id) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(cert, id, nullptr, &size)) return {};
    Bytes value(size);
    EXPECT_TRUE(CertGetCertificateContextProperty(cert, id, value.data(), &size));
    return value;
}

}  // namespace

TEST_F(StoreTest, ContextHoldsTheDecodedCertificateAndItsEncoding) {
    Bytes der = pki().user;
    der.push_back(0x00);  // bytes after the certificate are not part of it
    const Cert cert = certOf(der);
    ASSERT_TRUE(cert);
    EXPECT_EQ(pki().user.size(), cert->cbCertEncoded);
    EXPECT_EQ(0, std::memcmp(pki().user.data(), cert->pbCertEncoded, cert->cbCertEncoded));
    EXPECT_EQ(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, cert->dwCertEncodingType);
    EXPECT_EQ(CERT_V3, cert->pCertInfo->dwVersion);
    EXPECT_STREQ(szOID_RSA_SHA256RSA, cert->pCertInfo->SignatureAlgorithm.pszObjId);
    EXPECT_TRUE(cert->hCertStore) << "a created context belongs to a store of its own";
}

TEST_F(StoreTest, DamagedDerIsRefusedWithAnAsn1Error) {
    Bytes cut(pki().user.begin(), pki().user.begin() + 40);
    SetLastError(0);
    EXPECT_FALSE(CertCreateCertificateContext(X509_ASN_ENCODING, cut.data(), static_cast<DWORD>(cut.size())));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), GetLastError());
    const BYTE notASequence[] = {0x04, 0x01, 0x00};
    EXPECT_FALSE(CertCreateCertificateContext(X509_ASN_ENCODING, notASequence, sizeof notASequence));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_BADTAG), GetLastError());
    EXPECT_FALSE(CertCreateCertificateContext(X509_ASN_ENCODING, nullptr, 0));
}

TEST_F(StoreTest, DuplicateSharesTheContextUntilTheLastFree) {
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, pki().user.data(),
                                                       static_cast<DWORD>(pki().user.size()));
    ASSERT_TRUE(cert);
    PCCERT_CONTEXT copy = CertDuplicateCertificateContext(cert);
    EXPECT_EQ(cert, copy);
    // A property set through one reference is seen through the other.
    const CRYPT_DATA_BLOB name = textBlob(u"Mine");
    ASSERT_TRUE(CertSetCertificateContextProperty(cert, CERT_FRIENDLY_NAME_PROP_ID, 0, &name));
    EXPECT_TRUE(CertFreeCertificateContext(cert));
    EXPECT_EQ(u"Mine", friendlyName(copy)) << "still alive after one free";
    EXPECT_TRUE(CertFreeCertificateContext(copy));
    // Gone now: the pointer is no longer a context and is refused, not followed.
    EXPECT_FALSE(CertDuplicateCertificateContext(copy));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_TRUE(CertFreeCertificateContext(copy));
    EXPECT_TRUE(CertFreeCertificateContext(nullptr));
    EXPECT_EQ(nullptr, CertDuplicateCertificateContext(nullptr));
}

TEST_F(StoreTest, KeyProviderInfoRoundTripsInOneBlock) {
    const Cert cert = certOf(pki().user);
    BYTE paramData[] = {1, 2, 3};
    CRYPT_KEY_PROV_PARAM param{42, paramData, sizeof paramData, 7};
    char16_t container[] = u"tesk-container";
    char16_t provider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
    CRYPT_KEY_PROV_INFO info{container, provider, PROV_RSA_FULL, CRYPT_SILENT, 1, &param, AT_SIGNATURE};
    ASSERT_TRUE(CertSetCertificateContextProperty(cert.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));

    DWORD size = 0;
    ASSERT_TRUE(CertGetCertificateContextProperty(cert.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    std::vector<BYTE> block(size);
    DWORD shortSize = size - 1;
    EXPECT_FALSE(CertGetCertificateContextProperty(cert.get(), CERT_KEY_PROV_INFO_PROP_ID, block.data(), &shortSize));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(size, shortSize);
    ASSERT_TRUE(CertGetCertificateContextProperty(cert.get(), CERT_KEY_PROV_INFO_PROP_ID, block.data(), &size));
    const auto* read = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(block.data());
    const BYTE* end = block.data() + block.size();
    auto inBlock = [&](const void* p) { return p >= block.data() && p < end; };
    EXPECT_EQ(std::u16string(container), read->pwszContainerName);
    EXPECT_EQ(std::u16string(provider), read->pwszProvName);
    EXPECT_TRUE(inBlock(read->pwszContainerName) && inBlock(read->pwszProvName));
    EXPECT_EQ(PROV_RSA_FULL, read->dwProvType);
    EXPECT_EQ(CRYPT_SILENT, read->dwFlags);
    EXPECT_EQ(AT_SIGNATURE, read->dwKeySpec);
    ASSERT_EQ(1u, read->cProvParam);
    EXPECT_EQ(42u, read->rgProvParam[0].dwParam);
    EXPECT_EQ(7u, read->rgProvParam[0].dwFlags);
    ASSERT_EQ(3u, read->rgProvParam[0].cbData);
    EXPECT_TRUE(inBlock(read->rgProvParam[0].pbData));
    EXPECT_EQ(0, std::memcmp(paramData, read->rgProvParam[0].pbData, 3));
}

TEST_F(StoreTest, HashesAndKeyIdentifierAreComputedAsOpensslGivesThem) {
    const Cert cert = certOf(pki().user);
    EXPECT_EQ(pki().userSha1, hex(propertyOf(cert.get(), CERT_SHA1_HASH_PROP_ID)));
    EXPECT_EQ(pki().userSha1, hex(propertyOf(cert.get(), CERT_HASH_PROP_ID)));
    EXPECT_EQ(pki().userMd5, hex(propertyOf(cert.get(), CERT_MD5_HASH_PROP_ID)));
    EXPECT_EQ(pki().userKeyId, hex(propertyOf(cert.get(), CERT_KEY_IDENTIFIER_PROP_ID)));

    BYTE hash[20];
    DWORD size = sizeof hash;
    ASSERT_TRUE(CryptHashCertificate(0, 0, 0, pki().user.data(), static_cast<DWORD>(pki().user.size()), hash, &size));
    EXPECT_EQ(pki().userSha1, hex(Bytes(hash, hash + size)));
}

TEST_F(StoreTest, MissingPropertyIsNotFoundAndNullDataRemovesOne) {
    const Cert cert = certOf(pki().user);
    DWORD size = 0;
    EXPECT_FALSE(CertGetCertificateContextProperty(cert.get(), CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), GetLastError());
    EXPECT_EQ(0u, CertEnumCertificateContextProperties(cert.get(), 0));

    BYTE archived = 0;
    CRYPT_DATA_BLOB empty{0, &archived};
    const CRYPT_DATA_BLOB text = textBlob(u"x");
    ASSERT_TRUE(CertSetCertificateContextProperty(cert.get(), CERT_ARCHIVED_PROP_ID, 0, &empty));
    ASSERT_TRUE(CertSetCertificateContextProperty(cert.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &text));
    EXPECT_EQ(CERT_FRIENDLY_NAME_PROP_ID, CertEnumCertificateContextProperties(cert.get(), 0));
    EXPECT_EQ(CERT_ARCHIVED_PROP_ID, CertEnumCertificateContextProperties(cert.get(), CERT_FRIENDLY_NAME_PROP_ID));
    EXPECT_EQ(0u, CertEnumCertificateContextProperties(cert.get(), CERT_ARCHIVED_PROP_ID));

    ASSERT_TRUE(CertSetCertificateContextProperty(cert.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, nullptr));
    EXPECT_FALSE(CertGetCertificateContextProperty(cert.get(), CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size));
    EXPECT_FALSE(CertSetCertificateContextProperty(cert.get(), CERT_KEY_PROV_HANDLE_PROP_ID, 0, &text));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST_F(StoreTest, ContextsThatAreNotOursAreRefused) {
    CERT_CONTEXT forged{};
    DWORD size = 0;
    EXPECT_FALSE(CertGetCertificateContextProperty(&forged, CERT_SHA1_HASH_PROP_ID, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
    EXPECT_TRUE(CertFreeCertificateContext(&forged));
    EXPECT_FALSE(CertDeleteCertificateFromStore(&forged));
    // A store handle that was never opened is refused too.
    EXPECT_FALSE(CertEnumCertificatesInStore(reinterpret_cast<HCERTSTORE>(0x1234), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(CertCloseStore(reinterpret_cast<HCERTSTORE>(0x1234), 0));
}

// OID information: the built-in names CryptoAPI uses, the four key kinds,
// the ALG_ID translations and registration before or after the table.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "win32/crypt_encode.h"
#include "win32/crypt_oid.h"
#include "win32/error.h"

TEST(OidInfo, FindsBuiltInRowsByEachKeyKind) {
    PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(szOID_RSA_SHA256RSA), 0);
    ASSERT_NE(nullptr, info);
    EXPECT_EQ(std::u16string(u"sha256RSA"), info->pwszName);
    EXPECT_EQ(CRYPT_SIGN_ALG_OID_GROUP_ID, info->dwGroupId);
    EXPECT_EQ(CALG_SHA_256, info->Algid);
    ASSERT_GE(info->ExtraInfo.cbData, 12u);
    DWORD extra[3];
    std::memcpy(extra, info->ExtraInfo.pbData, sizeof extra);
    EXPECT_EQ(CALG_RSA_SIGN, extra[0]);
    EXPECT_EQ(PROV_RSA_AES, extra[2]);

    info = CryptFindOIDInfo(CRYPT_OID_INFO_NAME_KEY, const_cast<char16_t*>(u"SHA1"), CRYPT_HASH_ALG_OID_GROUP_ID);
    ASSERT_NE(nullptr, info);
    EXPECT_STREQ(szOID_OIWSEC_sha1, info->pszOID);
    ALG_ID sha1 = CALG_SHA1;
    info = CryptFindOIDInfo(CRYPT_OID_INFO_ALGID_KEY, &sha1, 0);
    ASSERT_NE(nullptr, info);
    EXPECT_STREQ(szOID_OIWSEC_sha1, info->pszOID);
    ALG_ID pair[2] = {CALG_SHA1, CALG_RSA_SIGN};
    info = CryptFindOIDInfo(CRYPT_OID_INFO_SIGN_KEY, pair, 0);
    ASSERT_NE(nullptr, info);
    EXPECT_STREQ(szOID_RSA_SHA1RSA, info->pszOID);
    EXPECT_EQ(nullptr, CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(szOID_RSA_SHA256RSA),
                                        CRYPT_HASH_ALG_OID_GROUP_ID));
}

TEST(OidInfo, NameAttributesExtensionsUsagesAndPolicies) {
    const auto nameOf = [](const char* oid, DWORD group) {
        PCCRYPT_OID_INFO info = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid), group);
        return info ? std::u16string(info->pwszName) : std::u16string(u"?");
    };
    EXPECT_EQ(u"CN", nameOf(szOID_COMMON_NAME, CRYPT_RDN_ATTR_OID_GROUP_ID));
    EXPECT_EQ(u"S", nameOf(szOID_STATE_OR_PROVINCE_NAME, CRYPT_RDN_ATTR_OID_GROUP_ID));
    EXPECT_EQ(u"SERIALNUMBER", nameOf(szOID_DEVICE_SERIAL_NUMBER, CRYPT_RDN_ATTR_OID_GROUP_ID));
    EXPECT_EQ(u"E", nameOf(szOID_RSA_emailAddr, CRYPT_RDN_ATTR_OID_GROUP_ID));
    EXPECT_EQ(u"I", nameOf(szOID_INITIALS, CRYPT_RDN_ATTR_OID_GROUP_ID));
    EXPECT_EQ(u"Subject Alternative Name", nameOf(szOID_SUBJECT_ALT_NAME2, CRYPT_EXT_OR_ATTR_OID_GROUP_ID));
    EXPECT_EQ(u"Client Authentication", nameOf(szOID_PKIX_KP_CLIENT_AUTH, CRYPT_ENHKEY_USAGE_OID_GROUP_ID));
    EXPECT_EQ(u"All issuance policies", nameOf(szOID_ANY_CERT_POLICY, CRYPT_POLICY_OID_GROUP_ID));
    PCCRYPT_OID_INFO st = CryptFindOIDInfo(CRYPT_OID_INFO_NAME_KEY, const_cast<char16_t*>(u"st"),
                                           CRYPT_RDN_ATTR_OID_GROUP_ID);
    ASSERT_NE(nullptr, st);
    EXPECT_STREQ(szOID_STATE_OR_PROVINCE_NAME, st->pszOID);
}

TEST(OidInfo, AlgIdTranslationsAndTheirMisses) {
    EXPECT_EQ(CALG_RSA_KEYX, CertOIDToAlgId(szOID_RSA_RSA));
    EXPECT_EQ(CALG_SHA_256, CertOIDToAlgId(szOID_RSA_SHA256RSA));
    EXPECT_EQ(CALG_SHA1, CertOIDToAlgId(szOID_OIWSEC_sha1RSASign));
    EXPECT_EQ(0u, CertOIDToAlgId("1.2.3.4.5"));
    EXPECT_EQ(0u, CertOIDToAlgId(szOID_COMMON_NAME));
    EXPECT_EQ(0u, CertOIDToAlgId(nullptr));
    EXPECT_STREQ(szOID_RSA_RSA, CertAlgIdToOID(CALG_RSA_SIGN));
    EXPECT_STREQ(szOID_NIST_sha512, CertAlgIdToOID(CALG_SHA_512));
    EXPECT_EQ(nullptr, CertAlgIdToOID(0));
    EXPECT_EQ(nullptr, CertAlgIdToOID(0x1234));
}

TEST(OidInfo, RegisteredRecordsAreCopiedAndFoundBeforeOrAfterTheTable) {
    auto oid = std::make_unique<char[]>(32);
    std::strcpy(oid.get(), "1.3.6.1.4.1.32473.99.1");
    CRYPT_OID_INFO later{};
    later.cbSize = sizeof later;
    later.pszOID = oid.get();
    later.pwszName = u"later";
    later.dwGroupId = CRYPT_HASH_ALG_OID_GROUP_ID;
    later.Algid = 0x8099;
    ASSERT_TRUE(CryptRegisterOIDInfo(&later, 0));
    CRYPT_OID_INFO earlier = later;
    earlier.pwszName = u"earlier";
    ASSERT_TRUE(CryptRegisterOIDInfo(&earlier, CRYPT_INSTALL_OID_INFO_BEFORE_FLAG));
    const std::string text = oid.get();
    oid.reset();  // the registered copies own their strings
    PCCRYPT_OID_INFO found = CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(text.c_str()), 0);
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(std::u16string(u"earlier"), found->pwszName);
    EXPECT_EQ(0x8099u, CertOIDToAlgId(text.c_str()));

    CRYPT_OID_INFO bad = later;
    bad.cbSize = 4;
    EXPECT_FALSE(CryptRegisterOIDInfo(&bad, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

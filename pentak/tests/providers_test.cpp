// Providers: the hidden KavloCSP record of the enumeration, algorithm lists
// (built-in for the GPK4000 card, kept after the first lookup), and the
// SHA-2 OID records.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/cryptoapi.h"
#include "known_providers.h"
#include "pentak_support.h"
#include "platform/crypt_providers.h"
#include "testkit/platform_root.h"
#include "win32/crypt_oid.h"

namespace {

std::size_t kavloRecords(DWORD type) {
    std::vector<TCryptProviderW> providers;
    const DWORD count = TCryptoapi::EnumProviders(providers, type);
    EXPECT_EQ(providers.size(), count);
    return static_cast<std::size_t>(std::count_if(providers.begin(), providers.end(), [](const TCryptProviderW& p) {
        return p.name == kKavloCspName && p.type == PROV_RSA_FULL;
    }));
}

TEST(EnumProviders, KavloCspAppearsOnceForTypesZeroAndOneWhenItCanBeUsed) {
    testkit::PlatformRoot machine;
    std::vector<TCryptProviderW> aes;
    TCryptoapi::EnumProviders(aes, PROV_RSA_AES);
    EXPECT_FALSE(aes.empty());
    EXPECT_TRUE(std::all_of(aes.begin(), aes.end(), [](const TCryptProviderW& p) { return p.type == PROV_RSA_AES; }));
    // Not installed: it cannot be acquired, so it is left out.
    for (const DWORD type : {0u, 1u, 24u}) EXPECT_EQ(0u, kavloRecords(type)) << type;

    platform::crypt::registerCardProvider(kKavloCspName, "/nonexistent/kavlopkcs11.so");
    EXPECT_EQ(1u, kavloRecords(0));
    EXPECT_EQ(1u, kavloRecords(1));
    EXPECT_EQ(0u, kavloRecords(24));
}

TEST(FindProviderAlgorithm, TheGpkCardIsNeverAskedOthersListTheirOwn) {
    testkit::PlatformRoot machine;
    TCryptoapi api;
    PROV_ENUMALGS_EX record{};
    ASSERT_TRUE(api.FindProviderAlgorithm(kGpk4000Csp, PROV_RSA_FULL, CALG_3DES, record));
    EXPECT_EQ(112u, record.dwMinLen);
    EXPECT_EQ(168u, record.dwMaxLen);
    EXPECT_STREQ("Three Key Triple DES", record.szLongName);
    EXPECT_FALSE(api.FindProviderAlgorithm(kGpk4000Csp, PROV_RSA_FULL, CALG_SHA_256, record));

    ASSERT_TRUE(api.FindProviderAlgorithm(kAesProvider, PROV_RSA_AES, CALG_SHA_256, record));
    EXPECT_STREQ("SHA-256", record.szName);
    EXPECT_FALSE(api.FindProviderAlgorithm(u"Pentak Missing CSP", PROV_RSA_FULL, CALG_SHA1, record));
    EXPECT_NE(0u, api.GetLastErrorCode());
}

TEST(OidInformation, RegistrationAddsNothingWhereSha2IsKnownAndNamesFallBack) {
    TCryptoapi api;
    EXPECT_TRUE(api.RegisterOIDInfo());
    char sha256[] = "2.16.840.1.101.3.4.2.1";
    EXPECT_EQ(nullptr, CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, sha256, CRYPT_SIGN_ALG_OID_GROUP_ID));

    EXPECT_EQ(u"sha256RSA", TCryptoapi::GetOidName(u"1.2.840.113549.1.1.11", CRYPT_SIGN_ALG_OID_GROUP_ID));
    EXPECT_EQ(u"", TCryptoapi::GetOidName(u"1.2.840.113549.1.1.11", CRYPT_HASH_ALG_OID_GROUP_ID));
    // Known to the system only as a hash: the signature group's name comes
    // from the built-in records.
    EXPECT_EQ(u"sha256NoSign", TCryptoapi::GetOidName(u"2.16.840.1.101.3.4.2.1", CRYPT_SIGN_ALG_OID_GROUP_ID));
    EXPECT_EQ(u"sha256", TCryptoapi::GetOidName(u"2.16.840.1.101.3.4.2.1", CRYPT_HASH_ALG_OID_GROUP_ID));
    EXPECT_EQ(u"", TCryptoapi::GetOidName(u"1.2.3.4", 0));
}

}  // namespace

// What each software provider offers, as PP_ENUMALGS(_EX) lists it and as
// CryptCreateHash and CryptGenKey accept it: Strong has no SHA-2, so the
// callers' SHA-256 fallback goes to the AES provider.
#include <map>

#include "provider_support.h"

using namespace provider_test;

namespace {

std::map<ALG_ID, PROV_ENUMALGS_EX> algorithmsOf(const char16_t* provider, DWORD type) {
    Context context(nullptr, provider, type, CRYPT_VERIFYCONTEXT);
    EXPECT_TRUE(context);
    std::map<ALG_ID, PROV_ENUMALGS_EX> out;
    for (DWORD flags = CRYPT_FIRST;; flags = 0) {
        PROV_ENUMALGS_EX record{};
        DWORD size = sizeof record;
        if (!CryptGetProvParam(context.get(), PP_ENUMALGS_EX, reinterpret_cast<BYTE*>(&record), &size, flags)) {
            EXPECT_EQ(ERROR_NO_MORE_ITEMS, GetLastError());
            return out;
        }
        EXPECT_EQ(88u, size);
        out[record.aiAlgid] = record;
    }
}

}  // namespace

TEST(ProviderAlgorithms, RsaLengthsFollowEachProvider) {
    testkit::PlatformRoot root;
    const auto base = algorithmsOf(kBase, PROV_RSA_FULL);
    EXPECT_EQ(512u, base.at(CALG_RSA_SIGN).dwDefaultLen);
    EXPECT_EQ(16384u, base.at(CALG_RSA_SIGN).dwMaxLen);
    EXPECT_EQ(1024u, base.at(CALG_RSA_KEYX).dwMaxLen);
    EXPECT_STREQ("RSA_SIGN", base.at(CALG_RSA_SIGN).szName);
    EXPECT_EQ(9u, base.at(CALG_RSA_SIGN).dwNameLen);
    for (const char16_t* provider : {kEnhanced, kStrong}) {
        const auto list = algorithmsOf(provider, PROV_RSA_FULL);
        EXPECT_EQ(1024u, list.at(CALG_RSA_SIGN).dwDefaultLen);
        EXPECT_EQ(1024u, list.at(CALG_RSA_KEYX).dwDefaultLen);
        EXPECT_EQ(16384u, list.at(CALG_RSA_KEYX).dwMaxLen);
    }
}

TEST(ProviderAlgorithms, OnlyTheAesProviderOffersSha2) {
    testkit::PlatformRoot root;
    const auto strong = algorithmsOf(kStrong, PROV_RSA_FULL);
    const auto aes = algorithmsOf(kAes, PROV_RSA_AES);
    for (const ALG_ID sha2 : {CALG_SHA_256, CALG_SHA_384, CALG_SHA_512}) {
        EXPECT_FALSE(strong.count(sha2));
        EXPECT_TRUE(aes.count(sha2));
    }
    EXPECT_TRUE(strong.count(CALG_SHA1));
    EXPECT_TRUE(aes.count(CALG_AES_256));
    EXPECT_STREQ("Secure Hash Algorithm (SHA-256)", aes.at(CALG_SHA_256).szLongName);

    Context strongContext(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    HCRYPTHASH hash = 0;
    EXPECT_EQ(code(NTE_BAD_ALGID),
              failureOf([&] { return CryptCreateHash(strongContext.get(), CALG_SHA_256, 0, 0, &hash); }));
    Context aesContext(nullptr, kAes, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
    EXPECT_EQ(32u, hashOf(aesContext.get(), CALG_SHA_256, "abc").size());
}

TEST(ProviderAlgorithms, EnumerationRestartsWithCryptFirstAndASizeQueryDoesNotAdvance) {
    testkit::PlatformRoot root;
    Context context(nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    PROV_ENUMALGS first{};
    DWORD size = 0;
    ASSERT_TRUE(CryptGetProvParam(context.get(), PP_ENUMALGS, nullptr, &size, CRYPT_FIRST));
    EXPECT_EQ(sizeof(PROV_ENUMALGS), size);
    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, failureOf([&] {
                  return CryptGetProvParam(context.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&first), &size, 0);
              }));
    size = sizeof first;
    ASSERT_TRUE(CryptGetProvParam(context.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&first), &size, 0));
    PROV_ENUMALGS second{};
    ASSERT_TRUE(CryptGetProvParam(context.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&second), &size, 0));
    EXPECT_NE(first.aiAlgid, second.aiAlgid);
    PROV_ENUMALGS again{};
    ASSERT_TRUE(CryptGetProvParam(context.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&again), &size, CRYPT_FIRST));
    EXPECT_EQ(first.aiAlgid, again.aiAlgid);
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] {
                  return CryptGetProvParam(context.get(), PP_ENUMALGS, reinterpret_cast<BYTE*>(&again), &size, 0x40);
              }));
}

TEST(ProviderAlgorithms, KeyLengthsOutsideTheRangeAreBadFlags) {
    testkit::PlatformRoot root;
    Context base(nullptr, kBase, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    HCRYPTKEY key = 0;
    // Base exchange keys stop at 1,024 bits; lengths go in steps of 8.
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] { return CryptGenKey(base.get(), AT_KEYEXCHANGE, 2048 << 16, &key); }));
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] { return CryptGenKey(base.get(), AT_SIGNATURE, 1001 << 16, &key); }));
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] { return CryptGenKey(base.get(), AT_SIGNATURE, 0x100, &key); }));
    EXPECT_EQ(code(NTE_BAD_ALGID), failureOf([&] { return CryptGenKey(base.get(), CALG_RC2, 0, &key); }));
    // No length: the provider's default.
    ASSERT_TRUE(CryptGenKey(base.get(), AT_SIGNATURE, 0, &key));
    DWORD bits = 0;
    DWORD size = sizeof bits;
    ASSERT_TRUE(CryptGetKeyParam(key, KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &size, 0));
    EXPECT_EQ(512u, bits);
    CryptDestroyKey(key);
}

// Forged, stale and mixed-up handles give the error of their handle type,
// never a crash.
#include "provider_support.h"

using namespace provider_test;

TEST(ProviderHandles, ForgedAndReleasedHandlesGiveTheirTypesError) {
    testkit::PlatformRoot root;
    HCRYPTPROV prov = 0;
    ASSERT_TRUE(CryptAcquireContextW(&prov, nullptr, kAes, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, 1024 << 16, &key));
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(prov, CALG_SHA1, 0, 0, &hash));
    DWORD size = 0;

    EXPECT_EQ(code(NTE_BAD_UID), failureOf([] { return CryptReleaseContext(0xDEAD0, 0); }));
    EXPECT_EQ(code(NTE_BAD_UID), failureOf([&] { return CryptGetProvParam(key, PP_NAME, nullptr, &size, 0); }));
    EXPECT_EQ(code(NTE_BAD_KEY), failureOf([&] { return CryptDestroyKey(prov); }));
    EXPECT_EQ(code(NTE_BAD_KEY), failureOf([&] { return CryptExportKey(hash, 0, PUBLICKEYBLOB, 0, nullptr, &size); }));
    EXPECT_EQ(code(NTE_BAD_HASH), failureOf([&] { return CryptHashData(key, nullptr, 0, 0); }));
    EXPECT_EQ(code(NTE_BAD_HASH), failureOf([&] { return CryptDestroyHash(0); }));

    EXPECT_TRUE(CryptDestroyHash(hash));
    EXPECT_EQ(code(NTE_BAD_HASH), failureOf([&] { return CryptDestroyHash(hash); }));
    EXPECT_TRUE(CryptDestroyKey(key));
    EXPECT_EQ(code(NTE_BAD_KEY), failureOf([&] { return CryptGetKeyParam(key, KP_ALGID, nullptr, &size, 0); }));
    // A nonzero flag still releases the context.
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] { return CryptReleaseContext(prov, 1); }));
    EXPECT_EQ(code(NTE_BAD_UID), failureOf([&] { return CryptReleaseContext(prov, 0); }));
}

TEST(ProviderHandles, KeysAndHashesOutliveTheirReleasedContext) {
    testkit::PlatformRoot root;
    HCRYPTPROV prov = 0;
    ASSERT_TRUE(CryptAcquireContextW(&prov, nullptr, kAes, PROV_RSA_AES, CRYPT_VERIFYCONTEXT));
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, 1024 << 16, &key));
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(prov, CALG_SHA_256, 0, 0, &hash));
    ASSERT_TRUE(CryptReleaseContext(prov, 0));
    ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
    DWORD size = 0;
    ASSERT_TRUE(CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, nullptr, &size));
    Bytes signature(size);
    ASSERT_TRUE(CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, signature.data(), &size));
    EXPECT_EQ(code(NTE_BAD_HASH_STATE),
              failureOf([&] { return CryptHashData(hash, reinterpret_cast<const BYTE*>("x"), 1, 0); }));
    CryptDestroyHash(hash);
    CryptDestroyKey(key);
}

TEST(ProviderHandles, SigningWithoutTheKeyOrWithAShortBufferFails) {
    testkit::PlatformRoot root;
    Context context(nullptr, kAes, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, &hash));
    DWORD size = 0;
    EXPECT_EQ(code(NTE_NO_KEY), failureOf([&] { return CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, nullptr, &size); }));
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(context.get(), AT_SIGNATURE, 1024 << 16, &key));
    BYTE small[16];
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, failureOf([&] { return CryptSignHashW(hash, AT_SIGNATURE, nullptr, 0, small, &size); }));
    EXPECT_EQ(128u, size);
    // The failed calls left the hash open.
    EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] { return CryptSignHashW(hash, AT_SIGNATURE, nullptr, 4, small, &size); }));
    CryptDestroyKey(key);
    CryptDestroyHash(hash);
}

// Hash objects: the known values of "abc", the size and algorithm queries,
// the state after the value is read, and precomputed values.
#include "provider_support.h"

using namespace provider_test;

namespace {

class ProviderHash : public ::testing::Test {
protected:
    testkit::PlatformRoot m_root;
    Context m_context{nullptr, kAes, PROV_RSA_AES, CRYPT_VERIFYCONTEXT};
};

}  // namespace

TEST_F(ProviderHash, KnownValuesOfAbc) {
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", hex(hashOf(m_context.get(), CALG_MD5, "abc")));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", hex(hashOf(m_context.get(), CALG_SHA1, "abc")));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
              hex(hashOf(m_context.get(), CALG_SHA_256, "abc")));
    EXPECT_EQ(48u, hashOf(m_context.get(), CALG_SHA_384, "abc").size());
    EXPECT_EQ(64u, hashOf(m_context.get(), CALG_SHA_512, "abc").size());
}

TEST_F(ProviderHash, DataInPiecesIsHashedAsAWhole) {
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(m_context.get(), CALG_SHA1, 0, 0, &hash));
    ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("a"), 1, 0));
    ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("bc"), 2, 0));
    DWORD algorithm = 0;
    DWORD hashSize = 0;
    DWORD size = sizeof(DWORD);
    ASSERT_TRUE(CryptGetHashParam(hash, HP_ALGID, reinterpret_cast<BYTE*>(&algorithm), &size, 0));
    ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHSIZE, reinterpret_cast<BYTE*>(&hashSize), &size, 0));
    EXPECT_EQ(CALG_SHA1, algorithm);
    EXPECT_EQ(20u, hashSize);
    Bytes value(20);
    size = 20;
    ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, value.data(), &size, 0));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", hex(value));
    CryptDestroyHash(hash);
}

TEST_F(ProviderHash, AFinishedHashTakesNoMoreDataButASizeQueryDoesNotFinishIt) {
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(m_context.get(), CALG_SHA_256, 0, 0, &hash));
    DWORD size = 0;
    ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, nullptr, &size, 0));
    EXPECT_EQ(32u, size);
    ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("abc"), 3, 0));
    Bytes value(32);
    ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, value.data(), &size, 0));
    EXPECT_EQ(code(NTE_BAD_HASH_STATE),
              failureOf([&] { return CryptHashData(hash, reinterpret_cast<const BYTE*>("x"), 1, 0); }));
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptGetHashParam(hash, 3, value.data(), &size, 0); }));
    CryptDestroyHash(hash);
}

TEST_F(ProviderHash, APrecomputedValueIsTheHashValue) {
    HCRYPTHASH hash = 0;
    ASSERT_TRUE(CryptCreateHash(m_context.get(), CALG_SHA1, 0, 0, &hash));
    Bytes preset(20);
    for (std::size_t i = 0; i < preset.size(); ++i) preset[i] = static_cast<BYTE>(i);
    ASSERT_TRUE(CryptSetHashParam(hash, HP_HASHVAL, preset.data(), 0));
    Bytes value(20);
    DWORD size = 20;
    ASSERT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, value.data(), &size, 0));
    EXPECT_EQ(preset, value);
    EXPECT_EQ(code(NTE_BAD_HASH_STATE),
              failureOf([&] { return CryptHashData(hash, reinterpret_cast<const BYTE*>("x"), 1, 0); }));
    CryptDestroyHash(hash);
}

TEST_F(ProviderHash, KeyedAndUnknownHashesAreRefused) {
    HCRYPTHASH hash = 0;
    EXPECT_EQ(code(NTE_BAD_ALGID), failureOf([&] { return CryptCreateHash(m_context.get(), CALG_RSA_SIGN, 0, 0, &hash); }));
    EXPECT_EQ(code(NTE_BAD_ALGID), failureOf([&] { return CryptCreateHash(m_context.get(), CALG_MD2, 0, 0, &hash); }));
    EXPECT_EQ(code(NTE_BAD_FLAGS), failureOf([&] { return CryptCreateHash(m_context.get(), CALG_SHA1, 0, 1, &hash); }));
}

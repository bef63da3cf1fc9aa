// The AES block cipher: the FIPS-197 appendix C examples for each key
// length, random keys and blocks against OpenSSL, and refused key lengths.
#include <gtest/gtest.h>

#include <string>

#include "crypto_reference.h"
#include "zip/zip_exception.h"
#include "zip_aes_block.h"

namespace {

using cryptoref::Bytes;
using zipcrypto::AesBlockCipher;

std::string encryptedHex(const Bytes& key, const Bytes& block) {
    const AesBlockCipher cipher(key.data(), key.size());
    unsigned char out[AesBlockCipher::kBlockSize];
    cipher.encrypt(block.data(), out);
    return cryptoref::hexOf(out, sizeof out);
}

TEST(AesBlockCipher, GivesTheFips197Examples) {
    const Bytes plain = cryptoref::fromHex("00112233445566778899aabbccddeeff");
    EXPECT_EQ("69c4e0d86a7b0430d8cdb78070b4c55a",
              encryptedHex(cryptoref::fromHex("000102030405060708090a0b0c0d0e0f"), plain));
    EXPECT_EQ("dda97ca4864cdfe06eaf70a0ec0d7191",
              encryptedHex(cryptoref::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617"), plain));
    EXPECT_EQ("8ea2b7ca516745bfeafc49904b496089",
              encryptedHex(cryptoref::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"),
                           plain));
}

TEST(AesBlockCipher, AgreesWithOpenSslOnRandomKeysAndBlocks) {
    std::mt19937 random(4);
    for (const std::size_t keyLength : {16, 24, 32}) {
        for (int round = 0; round < 100; ++round) {
            const Bytes key = cryptoref::randomBytes(random, keyLength);
            const Bytes block = cryptoref::randomBytes(random, AesBlockCipher::kBlockSize);
            ASSERT_EQ(cryptoref::hexOf(cryptoref::opensslAesEcb(key, block)), encryptedHex(key, block))
                << "key of " << keyLength << " bytes";
        }
    }
}

TEST(AesBlockCipher, RefusesOtherKeyLengthsWith100) {
    const Bytes key(33, 1);
    for (const std::size_t keyLength : {0, 8, 15, 17, 20, 31, 33}) {
        try {
            const AesBlockCipher cipher(key.data(), keyLength);
            ADD_FAILURE() << "a key of " << keyLength << " bytes was taken";
        } catch (const CZipException& e) {
            EXPECT_EQ(CZipException::generic, e.GetCode()) << keyLength;
        }
    }
}

}  // namespace

// WinZip's counter mode: its key stream against OpenSSL's AES over
// little-endian counter blocks from 1, whatever pieces the data come in.
#include <gtest/gtest.h>

#include <cstdint>

#include "crypto_reference.h"
#include "zip_aes_counter_mode.h"

namespace {

using cryptoref::Bytes;
using zipcrypto::AesCounterMode;

constexpr std::size_t kBlock = 16;

// The key stream of the first blocks counter values, made by OpenSSL.
Bytes referenceKeyStream(const Bytes& key, std::size_t blocks) {
    Bytes counters(blocks * kBlock);
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::uint64_t counter = i + 1;
        for (std::size_t b = 0; b < 8; ++b) counters[i * kBlock + b] = static_cast<unsigned char>(counter >> (8 * b));
    }
    return cryptoref::opensslAesEcb(key, counters);
}

Bytes cryptInPieces(AesCounterMode& mode, Bytes data, std::mt19937& random) {
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t piece = cryptoref::randomSize(random, std::min<std::size_t>(data.size() - done, 100));
        mode.crypt(data.data() + done, piece);
        done += piece;
    }
    return data;
}

TEST(AesCounterMode, XorsTheDataWithWinZipsKeyStream) {
    std::mt19937 random(5);
    for (const std::size_t keyLength : {16, 24, 32}) {
        const Bytes key = cryptoref::randomBytes(random, keyLength);
        const Bytes plain = cryptoref::randomBytes(random, 300 * kBlock + 7);
        const Bytes stream = referenceKeyStream(key, 301);
        Bytes expected = plain;
        for (std::size_t i = 0; i < expected.size(); ++i) expected[i] ^= stream[i];

        AesCounterMode encrypting(key.data(), key.size());
        const Bytes encrypted = cryptInPieces(encrypting, plain, random);
        ASSERT_EQ(cryptoref::hexOf(expected), cryptoref::hexOf(encrypted)) << "key of " << keyLength << " bytes";
        AesCounterMode decrypting(key.data(), key.size());
        EXPECT_EQ(cryptoref::hexOf(plain), cryptoref::hexOf(cryptInPieces(decrypting, encrypted, random)));
    }
}

TEST(AesCounterMode, TheBlockAfter255ComesFromACarryIntoTheSecondByte) {
    const Bytes key(32, 0x42);
    Bytes counterBlock(kBlock, 0);
    counterBlock[1] = 1;  // 256 as a little-endian number
    const Bytes block256 = cryptoref::opensslAesEcb(key, counterBlock);

    Bytes data(256 * kBlock, 0);
    AesCounterMode mode(key.data(), key.size());
    mode.crypt(data.data(), data.size());
    EXPECT_EQ(cryptoref::hexOf(block256), cryptoref::hexOf(data.data() + 255 * kBlock, kBlock));
}

}  // namespace

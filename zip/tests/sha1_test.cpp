// SHA-1: the FIPS 180 examples, then random messages fed in random pieces
// against OpenSSL.
#include <gtest/gtest.h>

#include <string>

#include "crypto_reference.h"
#include "zip_sha1.h"

namespace {

using cryptoref::Bytes;
using zipcrypto::Sha1;

std::string sha1Hex(const Bytes& message) {
    Sha1 hash;
    hash.update(message.data(), message.size());
    const Sha1::Digest digest = hash.finish();
    return cryptoref::hexOf(digest.data(), digest.size());
}

TEST(Sha1, GivesTheStandardsDigests) {
    EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", sha1Hex({}));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", sha1Hex(cryptoref::bytesOf("abc")));
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
              sha1Hex(cryptoref::bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")));
}

TEST(Sha1, GivesTheDigestOfAMillionAs) {
    const std::string thousand(1000, 'a');
    Sha1 hash;
    for (int i = 0; i < 1000; ++i) hash.update(thousand.data(), thousand.size());
    const Sha1::Digest digest = hash.finish();
    EXPECT_EQ("34aa973cd4c4daa4f61eeb2bdbad27316534016f", cryptoref::hexOf(digest.data(), digest.size()));
}

TEST(Sha1, AgreesWithOpenSslOnRandomMessagesInRandomPieces) {
    std::mt19937 random(1);
    for (int round = 0; round < 300; ++round) {
        const Bytes message = cryptoref::randomBytes(random, cryptoref::randomSize(random, 300));
        Sha1 hash;
        for (std::size_t done = 0; done < message.size();) {
            const std::size_t piece = cryptoref::randomSize(random, message.size() - done);
            hash.update(message.data() + done, piece);
            done += piece;
        }
        const Sha1::Digest digest = hash.finish();
        ASSERT_EQ(cryptoref::hexOf(cryptoref::opensslSha1(message)), cryptoref::hexOf(digest.data(), digest.size()))
            << "message of " << message.size() << " bytes";
    }
}

}  // namespace

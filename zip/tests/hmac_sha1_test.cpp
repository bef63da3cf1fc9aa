// HMAC-SHA1: the RFC 2202 cases, then random keys (shorter and longer than
// the block) and messages against OpenSSL.
#include <gtest/gtest.h>

#include <string>

#include "crypto_reference.h"
#include "zip_hmac_sha1.h"

namespace {

using cryptoref::Bytes;
using zipcrypto::HmacSha1;
using zipcrypto::Sha1;

std::string hmacHex(const Bytes& key, const Bytes& message) {
    HmacSha1 mac(key.data(), key.size());
    mac.update(message.data(), message.size());
    const Sha1::Digest code = mac.finish();
    return cryptoref::hexOf(code.data(), code.size());
}

TEST(HmacSha1, GivesTheRfc2202Codes) {
    struct Case {
        Bytes key;
        Bytes message;
        const char* code;
    };
    const Case cases[] = {
        {Bytes(20, 0x0B), cryptoref::bytesOf("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {cryptoref::bytesOf("Jefe"), cryptoref::bytesOf("what do ya want for nothing?"),
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {Bytes(20, 0xAA), Bytes(50, 0xDD), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {cryptoref::fromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xCD),
         "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {Bytes(20, 0x0C), cryptoref::bytesOf("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {Bytes(80, 0xAA), cryptoref::bytesOf("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {Bytes(80, 0xAA),
         cryptoref::bytesOf("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, hmacHex(c.key, c.message));
}

TEST(HmacSha1, AgreesWithOpenSslOnRandomKeysAndMessages) {
    std::mt19937 random(2);
    for (int round = 0; round < 300; ++round) {
        const Bytes key = cryptoref::randomBytes(random, cryptoref::randomSize(random, 150));
        const Bytes message = cryptoref::randomBytes(random, cryptoref::randomSize(random, 200));
        ASSERT_EQ(cryptoref::hexOf(cryptoref::opensslHmacSha1(key, message)), hmacHex(key, message))
            << "key of " << key.size() << " bytes, message of " << message.size();
    }
}

}  // namespace

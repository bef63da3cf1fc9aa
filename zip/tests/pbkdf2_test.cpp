// PBKDF2-HMAC-SHA1: the RFC 6070 cases (all but the one of 16,777,216
// iterations), then random inputs and output lengths against OpenSSL.
#include <gtest/gtest.h>

#include <string>

#include "crypto_reference.h"
#include "zip_pbkdf2.h"

namespace {

using cryptoref::Bytes;

std::string derivedHex(const Bytes& password, const Bytes& salt, unsigned iterations, std::size_t size) {
    Bytes out(size);
    zipcrypto::pbkdf2HmacSha1(password.data(), password.size(), salt.data(), salt.size(), iterations, out.data(), size);
    return cryptoref::hexOf(out);
}

TEST(Pbkdf2HmacSha1, GivesTheRfc6070Keys) {
    const Bytes password = cryptoref::bytesOf("password");
    const Bytes salt = cryptoref::bytesOf("salt");
    EXPECT_EQ("0c60c80f961f0e71f3a9b524af6012062fe037a6", derivedHex(password, salt, 1, 20));
    EXPECT_EQ("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957", derivedHex(password, salt, 2, 20));
    EXPECT_EQ("4b007901b765489abead49d926f721d065a429c1", derivedHex(password, salt, 4096, 20));
    EXPECT_EQ("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038",
              derivedHex(cryptoref::bytesOf("passwordPASSWORDpassword"),
                         cryptoref::bytesOf("saltSALTsaltSALTsaltSALTsaltSALTsalt"), 4096, 25));
    EXPECT_EQ("56fa6aa75548099dcc37d7f03425e0c3",
              derivedHex(cryptoref::bytesOf(std::string("pass\0word", 9)), cryptoref::bytesOf(std::string("sa\0lt", 5)),
                         4096, 16));
}

TEST(Pbkdf2HmacSha1, AgreesWithOpenSslOnRandomInputs) {
    std::mt19937 random(3);
    for (int round = 0; round < 100; ++round) {
        const Bytes password = cryptoref::randomBytes(random, cryptoref::randomSize(random, 100));
        const Bytes salt = cryptoref::randomBytes(random, cryptoref::randomSize(random, 32));
        const auto iterations = static_cast<unsigned>(1 + cryptoref::randomSize(random, 50));
        const std::size_t size = 1 + cryptoref::randomSize(random, 90);
        ASSERT_EQ(cryptoref::hexOf(cryptoref::opensslPbkdf2HmacSha1(password, salt, iterations, size)),
                  derivedHex(password, salt, iterations, size))
            << "password of " << password.size() << " bytes, salt of " << salt.size() << ", " << iterations
            << " iterations, " << size << " bytes out";
    }
}

}  // namespace

// The hash exports against the FIPS 180 and RFC 1321 values for "abc".
#include <gtest/gtest.h>

#include <string>

#include "tti_support.h"

namespace {

using namespace tti_test;

struct HashExports {
    int (*init)(TtiHash**);
    int (*update)(TtiHash*, const std::uint8_t*, std::uint32_t);
    int (*final)(TtiHash*, std::uint8_t*, std::uint32_t*);
    const char* digestOfAbc;
};

TEST(Hashes, EachDigestsInPiecesAndServesOnlyItsOwnContexts) {
    const HashExports hashes[] = {
        {TTI_SHA1_Init, TTI_SHA1_Update, TTI_SHA1_Final, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {TTI_SHA256_Init, TTI_SHA256_Update, TTI_SHA256_Final,
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {TTI_SHA384_Init, TTI_SHA384_Update, TTI_SHA384_Final,
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
        {TTI_SHA512_Init, TTI_SHA512_Update, TTI_SHA512_Final,
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
         "454d4423643ce80e2a9ac94fa54ca49f"},
        {TTI_MD5_Init, TTI_MD5_Update, TTI_MD5_Final, "900150983cd24fb0d6963f7d28e17f72"},
    };
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    for (std::size_t i = 0; i < std::size(hashes); ++i) {
        const HashExports& h = hashes[i];
        const HashExports& other = hashes[(i + 1) % std::size(hashes)];
        TtiHash* context = nullptr;
        ASSERT_EQ(TTI_OK, h.init(&context));
        EXPECT_EQ(TTI_OK, h.update(context, abc, 1));
        EXPECT_EQ(TTI_E_PARAMETER, other.update(context, abc, 1));
        EXPECT_EQ(TTI_OK, h.update(context, abc + 1, 2));
        std::uint32_t length = 0;
        EXPECT_EQ(TTI_OK, h.final(context, nullptr, &length));  // a length query keeps the context
        Bytes digest(length);
        std::uint32_t shortLength = length - 1;
        EXPECT_EQ(TTI_E_BUFFER_TOO_SMALL, h.final(context, digest.data(), &shortLength));
        EXPECT_EQ(TTI_OK, h.final(context, digest.data(), &length));
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (auto b : digest) hex += {digits[b >> 4], digits[b & 15]};
        EXPECT_EQ(h.digestOfAbc, hex);
    }
    EXPECT_EQ(TTI_E_PARAMETER, TTI_SHA1_Update(nullptr, abc, 1));
    EXPECT_EQ(TTI_E_PARAMETER, TTI_SHA1_Init(nullptr));
}

}  // namespace

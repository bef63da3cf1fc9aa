// TTI_EncodeTSQ_Ex against what `openssl ts -query` reads back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "tti_support.h"

namespace {

using namespace tti_test;

TEST(EncodeRequest, OpensslReadsTheRecordAndWhatItLeavesOut) {
    TtiRequest full = request("abc");
    std::strcpy(full.policyOid, "1.3.6.1.4.1.32473.5.2");
    const std::string text = opensslText({"ts", "-query", "-text"}, encode(full));
    for (const char* line :
         {"Hash Algorithm: sha256", "0000 - ba 78 16 bf 8f 01 cf ea-41 41 40 de 5d ae 22 23",
          "Policy OID: 1.3.6.1.4.1.32473.5.2", "Nonce: 0x5A01FF00807F3399", "Certificate required: yes"})
        EXPECT_NE(std::string::npos, text.find(line)) << line;

    TtiRequest bare = request("abc");
    bare.nonce.length = 0;
    bare.certReq = 0;
    const std::string bareText = opensslText({"ts", "-query", "-text"}, encode(bare));
    for (const char* line : {"Policy OID: unspecified", "Nonce: unspecified", "Certificate required: no"})
        EXPECT_NE(std::string::npos, bareText.find(line)) << line;
}

TEST(EncodeRequest, FollowsTheLengthQueryRule) {
    const TtiRequest r = request();
    std::uint32_t length = 0;
    ASSERT_EQ(TTI_OK, TTI_EncodeTSQ_Ex(&r, nullptr, &length, 0));
    Bytes out(length);
    std::uint32_t shortLength = length - 1;
    EXPECT_EQ(TTI_E_BUFFER_TOO_SMALL, TTI_EncodeTSQ_Ex(&r, out.data(), &shortLength, 0));
    EXPECT_EQ(length, shortLength);
    EXPECT_EQ(TTI_OK, TTI_EncodeTSQ_Ex(&r, out.data(), &length, 0));
    EXPECT_EQ(encode(r), out);
    EXPECT_EQ(TTI_E_PARAMETER, TTI_EncodeTSQ_Ex(&r, out.data(), nullptr, 0));
}

TEST(EncodeRequest, RefusesRecordsItCannotEncodeFaithfully) {
    const std::vector<std::pair<const char*, std::function<void(TtiRequest&)>>> spoilers = {
        {"record size", [](TtiRequest& r) { r.size = 436; }},
        {"no hash", [](TtiRequest& r) { r.imprint.hashLength = 0; }},
        {"hash past its field", [](TtiRequest& r) { r.imprint.hashLength = 129; }},
        {"SHA-256 hash of 20 bytes", [](TtiRequest& r) { r.imprint.hashLength = 20; }},
        {"algorithm by name", [](TtiRequest& r) { std::strcpy(r.imprint.hashAlgOid, "sha256"); }},
        {"algorithm without terminator", [](TtiRequest& r) { std::memset(r.imprint.hashAlgOid, '1', 128); }},
        {"policy that is no OID", [](TtiRequest& r) { std::strcpy(r.policyOid, "1..2"); }},
        {"nonce past its field", [](TtiRequest& r) { r.nonce.length = 41; }},
        {"nonce with a needless leading zero",
         [](TtiRequest& r) {
             r.nonce.bytes[0] = 0;
             r.nonce.bytes[1] = 1;
         }},
        {"negative nonce", [](TtiRequest& r) { r.nonce.bytes[0] = 0x80; }},
    };
    for (const auto& [what, spoil] : spoilers) {
        TtiRequest r = request();
        spoil(r);
        std::uint32_t length = 0;
        EXPECT_EQ(TTI_E_PARAMETER, TTI_EncodeTSQ_Ex(&r, nullptr, &length, 0)) << what;
    }
    const TtiRequest good = request();
    std::uint32_t length = 0;
    EXPECT_EQ(TTI_E_PARAMETER, TTI_EncodeTSQ_Ex(&good, nullptr, &length, 1)) << "encoding option 1";
    EXPECT_EQ(TTI_E_PARAMETER, TTI_EncodeTSQ_Ex(nullptr, nullptr, &length, 0)) << "no record";
}

}  // namespace

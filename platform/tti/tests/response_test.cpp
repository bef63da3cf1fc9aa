// TTI_UnpackTSR, TTI_GetTSR_Status and TTI_GetTSR_EncodedToken over replies
// of `openssl ts -reply`, hand-made rejections and bytes that are no reply.
#include <gtest/gtest.h>

#include <cstring>

#include "tti_support.h"

namespace {

using namespace tti_test;

struct Unpacked {
    int result;
    std::uint32_t length;
    std::int32_t responseCode;
};

Unpacked unpack(Bytes bytes, std::uint32_t flags = 0) {
    Unpacked u{0, static_cast<std::uint32_t>(bytes.size()), -7};
    u.result = TTI_UnpackTSR(bytes.data(), &u.length, &u.responseCode, flags);
    return u;
}

TtiStatus statusOf(const Bytes& reply, int expected = TTI_OK) {
    TtiStatus status{};
    EXPECT_EQ(expected, TTI_GetTSR_Status(&status, reply.data(), static_cast<std::uint32_t>(reply.size())));
    return status;
}

TEST(Response, AGrantedReplyGivesItsTokenAsOpensslDoes) {
    const Bytes reply = replyTo(request());
    Bytes padded = reply;
    padded.insert(padded.end(), {'\r', '\n'});
    const Unpacked u = unpack(padded);
    EXPECT_EQ(TTI_OK, u.result);
    EXPECT_EQ(reply.size(), u.length);  // a transport's trailing bytes are dropped

    const TtiStatus status = statusOf(reply);
    EXPECT_EQ(0, status.status);
    EXPECT_STREQ("", status.text);
    EXPECT_EQ(-1, status.failureInfo);

    const std::string peerToken = opensslText({"ts", "-reply", "-token_out", "-out", "/dev/stdout"}, reply);
    EXPECT_EQ(Bytes(peerToken.begin(), peerToken.end()), tokenOf(reply));
}

TEST(Response, ARejectionGivesStatusFailureAndText) {
    TtiRequest unsupported = request();
    std::strcpy(unsupported.policyOid, "1.3.6.1.4.1.32473.5.99");
    const Bytes refusedByOpenssl = replyTo(unsupported);
    const TtiStatus byOpenssl = statusOf(refusedByOpenssl);
    EXPECT_EQ(2, byOpenssl.status);
    EXPECT_EQ(15, byOpenssl.failureInfo);  // unacceptedPolicy
    EXPECT_STREQ("Requested policy is not supported.", byOpenssl.text);

    std::uint32_t length = 0;
    EXPECT_EQ(TTI_E_NO_TOKEN, TTI_GetTSR_EncodedToken(nullptr, &length, refusedByOpenssl.data(),
                                                      static_cast<std::uint32_t>(refusedByOpenssl.size())));
}

TEST(Response, ALongStatusTextIsCutAtACharacterBoundary) {
    // PKIStatusInfo { status 2, statusString { 40 times "š" } }: 80 bytes of UTF-8 for a field of 79 and its
    // terminator.
    std::string text;
    for (int i = 0; i < 40; ++i) text += "\xC5\xA1";
    Bytes info = {0x02, 0x01, 0x02, 0x30, 0x52, 0x0C, 0x50};
    info.insert(info.end(), text.begin(), text.end());
    Bytes reply = {0x30, static_cast<std::uint8_t>(info.size() + 2), 0x30, static_cast<std::uint8_t>(info.size())};
    reply.insert(reply.end(), info.begin(), info.end());

    const TtiStatus status = statusOf(reply);
    EXPECT_EQ(text.substr(0, 78), status.text);
    EXPECT_EQ(-1, status.failureInfo);
}

TEST(Response, BytesThatAreNoReplyAreRefused) {
    const Bytes reply = replyTo(request());
    const Bytes truncated(reply.begin(), reply.end() - 10);
    const Unpacked cut = unpack(truncated);
    EXPECT_EQ(TTI_E_RESPONSE_SIZE, cut.result);
    EXPECT_EQ(static_cast<std::int32_t>(reply.size()), cut.responseCode);  // what the header announced
    EXPECT_EQ(truncated.size(), cut.length);

    const std::string html = "<html><body>busy</body></html>";
    const Unpacked page = unpack(Bytes(html.begin(), html.end()));
    EXPECT_EQ(TTI_E_UNEXPECTED_RESPONSE, page.result);
    EXPECT_EQ(0, page.responseCode);
    EXPECT_EQ(TTI_E_UNEXPECTED_RESPONSE, unpack({0x30}).result);
    EXPECT_EQ(TTI_E_PARAMETER, unpack(reply, 1).result);

    // A whole DER structure that is not a TimeStampResp: the request itself.
    const Bytes query = encode(request());
    EXPECT_EQ(TTI_OK, unpack(query).result);
    statusOf(query, TTI_E_ASN_ERROR);
    std::uint32_t length = 0;
    EXPECT_EQ(TTI_E_ASN_ERROR,
              TTI_GetTSR_EncodedToken(nullptr, &length, query.data(), static_cast<std::uint32_t>(query.size())));
    EXPECT_EQ(TTI_E_PARAMETER, TTI_GetTSR_Status(nullptr, reply.data(), static_cast<std::uint32_t>(reply.size())));
}

}  // namespace

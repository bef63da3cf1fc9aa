// The query, reply and connection classes with our tti library, each on its own.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/resource.h"
#include "testkit/http_server.h"
#include "timestamp_fixture.h"
#include "win32/error.h"

namespace timestamp_test {
namespace {

TEST(TimeStampQuery, EachNonceIsFreshAndAPositiveIntegerOfEightBytes) {
    const Machine machine;
    std::vector<BYTE> nonces[2];
    for (auto& nonce : nonces) {
        TTimeStampQuery query;
        query.GenerateNonce();
        ASSERT_TRUE(query.SetMessageImprint(sha256({'a', 'b', 'c'}), kSha256Oid));
        std::vector<BYTE> request;
        ASSERT_TRUE(query.Encode(request)) << query.GetResult();
        const TtiInteger n = query.GetNonce();
        ASSERT_EQ(8u, n.length);
        EXPECT_GE(n.bytes[0], 1);
        EXPECT_LE(n.bytes[0], 0x7F);
        nonce.assign(n.bytes, n.bytes + n.length);
        // The request carries it as its own: an INTEGER of these eight bytes.
        std::vector<BYTE> integer = {0x02, 0x08};
        integer.insert(integer.end(), nonce.begin(), nonce.end());
        EXPECT_NE(request.end(), std::search(request.begin(), request.end(), integer.begin(), integer.end()));
    }
    EXPECT_NE(nonces[0], nonces[1]);  // made within the same second
}

TEST(TimeStampQuery, ValuesThatDoNotFitAreRefusedAndLeaveTheRequest) {
    TTimeStampQuery query;
    ASSERT_TRUE(query.SetPolicy(std::string(127, '1')));
    EXPECT_FALSE(query.SetPolicy(std::string(128, '2')));
    EXPECT_EQ(TTI_E_PARAMETER, query.GetResult());
    EXPECT_EQ(std::string(127, '1'), query.GetPolicy());

    ASSERT_TRUE(query.SetMessageImprint(std::vector<BYTE>(20, 7), "1.3.14.3.2.26"));
    EXPECT_FALSE(query.SetMessageImprint(std::vector<BYTE>(129, 1), kSha256Oid));
    EXPECT_FALSE(query.SetMessageImprint(std::vector<BYTE>(32, 1), std::string(128, '1')));
    EXPECT_EQ(20u, query.GetMessageImprint().hashLength);
    EXPECT_STREQ("1.3.14.3.2.26", query.GetMessageImprint().hashAlgOid);
}

TEST(TimeStampLibrary, ASecondLoadKeepsTheBoundLibrary) {
    TTimeStampQuery query;
    {
        const Machine machine;
        ASSERT_EQ(1u, query.Load());
    }
    const ScopedEnv nowhere("PLATFORM_MODULE_PATH", "/nonexistent");
    EXPECT_EQ(1u, query.Load());
    std::vector<BYTE> request;
    EXPECT_FALSE(query.Encode(request));  // the library answers: no imprint was set
    EXPECT_EQ(TTI_E_PARAMETER, query.GetResult());
}

TEST(TimeStampReply, AReplyTheLibraryCannotReadShowsAsItCameButSafely) {
    const Machine machine;
    std::string page = "<html>\x01\x7F busy\r\n\tnow";
    std::vector<BYTE> reply(page.begin(), page.end());
    reply.push_back(0);
    reply.insert(reply.end(), {'h', 'i', 'd', 'd', 'e', 'n'});
    TTimeStamp stamp;
    EXPECT_FALSE(stamp.CheckResponseStatus(reply));
    EXPECT_EQ(TTI_E_ASN_ERROR, stamp.GetStatus());
    EXPECT_EQ("<html>.. busy\r\n\tnow", stamp.GetStatusText());

    const std::vector<BYTE> big(5000, 'x');
    EXPECT_FALSE(stamp.CheckResponseStatus(big));
    EXPECT_EQ(std::string(1024, 'x'), stamp.GetStatusText());
}

class TimeStampConnection : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TResource::Instance()->SetLanguage(2)); }
    void TearDown() override { TResource::ReleaseInstance(); }

    // The code of one send to the path, and the connection for its text.
    int post(TTSAConnection& connection, const std::string& path) {
        connection.m_url = m_server.url(path);
        connection.m_accessType = INTERNET_OPEN_TYPE_DIRECT;
        connection.m_timeout = 5;
        if (const int code = connection.Connect()) return code;
        std::vector<BYTE> reply;
        const int code = connection.SendRequest({0x30, 0x00}, reply, false);
        connection.Disconnect();
        return code;
    }

    const Machine m_machine;
    testkit::HttpServer m_server;
};

TEST_F(TimeStampConnection, SendsTheQueryTypeAndNamesWhatWentWrong) {
    m_server.route("/ok", testkit::HttpReply::text(200, "", "application/timestamp-reply; charset=x"));
    m_server.route("/missing", testkit::HttpReply::text(404, "no"));
    m_server.route("/page", testkit::HttpReply::text(200, "<html/>", "text/html"));

    TTSAConnection ok, missing, page;
    EXPECT_EQ(INET_OK, post(ok, "/ok"));
    EXPECT_EQ(INET_E_HTTP_STATUS, post(missing, "/missing"));
    EXPECT_EQ(INET_E_CONTENT_TYPE, post(page, "/page"));
    EXPECT_EQ(std::vector<std::string>{"application/timestamp-query"},
              m_server.requests().front().values("Content-Type"));

    SetLastError(0);
    EXPECT_EQ("\n" + m_server.url("/ok") + "OK", ok.GetResultText(INET_OK));
    EXPECT_EQ("\n" + m_server.url("/missing") + ", status: -3\nHTTP status: 404",
              missing.GetResultText(INET_E_HTTP_STATUS));
    EXPECT_EQ("\n" + m_server.url("/page") + ", status: -8\nWrong Content-Type in HTTP reply.",
              page.GetResultText(INET_E_CONTENT_TYPE));
    SetLastError(ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(
        0u, ok.GetResultText(INET_E_WININET).rfind("\n" + m_server.url("/ok") + ", status: -1\n0x00002EE2 (12002)", 0));
}

}  // namespace
}  // namespace timestamp_test

// Requests and replies over plain HTTP, as the server sees and sends them.
#include <gtest/gtest.h>

#include "inet_fixture.h"
#include "testkit/platform_root.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;

class InetHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new HttpServer(); }
    static void TearDownTestSuite() { delete server; }
    static HttpServer* server;
    testkit::PlatformRoot root;
};
HttpServer* InetHttp::server = nullptr;

TEST_F(InetHttp, RequestCarriesOnlyTheHeadersAskedFor) {
    server->route("/echo", HttpReply{.echo = true});
    Exchange x(server->url("/echo"));
    const std::string headers = "X-One: 1\r\nX-Two: 2\r\n";
    ASSERT_TRUE(HttpAddRequestHeadersA(x.request, headers.c_str(), DWORD(-1), HTTP_ADDREQ_FLAG_ADD));
    ASSERT_TRUE(HttpAddRequestHeadersA(x.request, "X-One: 3", DWORD(-1), HTTP_ADDREQ_FLAG_REPLACE));
    ASSERT_TRUE(HttpAddRequestHeadersA(x.request, "X-Two:", DWORD(-1), HTTP_ADDREQ_FLAG_REPLACE));
    ASSERT_TRUE(HttpAddRequestHeadersA(x.request, "Content-Length: 99", DWORD(-1), HTTP_ADDREQ_FLAG_ADD));
    ASSERT_EQ(0u, x.send("hello"));
    DWORD error = 0;
    EXPECT_EQ("hello", x.readAll(error));

    const auto seen = server->lastRequest();
    EXPECT_EQ("POST", seen.method);
    EXPECT_EQ("/echo", seen.target);
    EXPECT_EQ("HTTP/1.0", seen.version);
    EXPECT_EQ(std::vector<std::string>{"*/*"}, seen.values("Accept"));
    EXPECT_EQ(std::vector<std::string>{"5"}, seen.values("Content-Length"));
    EXPECT_EQ(std::vector<std::string>{"inet-test/1.0"}, seen.values("User-Agent"));
    EXPECT_EQ(std::vector<std::string>{"3"}, seen.values("X-One"));
    EXPECT_TRUE(seen.values("X-Two").empty());
    EXPECT_TRUE(seen.values("Content-Type").empty());
    EXPECT_TRUE(seen.values("Expect").empty());
}

TEST_F(InetHttp, ReplyHeadIsQueriedAndBodyReadInFullBuffers) {
    HttpReply reply = HttpReply::text(201, testkit::patternBody(40000), "application/x-test; q=1");
    reply.reason = "Created";
    server->route("/head", reply);
    Exchange x(server->url("/head"));
    ASSERT_EQ(0u, x.send());
    EXPECT_EQ(201u, x.status());

    char text[64];
    DWORD size = sizeof text;
    ASSERT_TRUE(HttpQueryInfoA(x.request, HTTP_QUERY_CONTENT_TYPE, text, &size, nullptr));
    EXPECT_EQ("application/x-test; q=1", std::string(text, size));
    size = 4;
    EXPECT_FALSE(HttpQueryInfoA(x.request, HTTP_QUERY_STATUS_TEXT, text, &size, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(sizeof "Created", size);
    DWORD length = 0;
    size = sizeof length;
    ASSERT_TRUE(HttpQueryInfoA(x.request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr));
    EXPECT_EQ(40000u, length);

    std::vector<char> buffer(16384);
    std::vector<DWORD> reads;
    for (DWORD read = 1; read;) {
        ASSERT_TRUE(InternetReadFile(x.request, buffer.data(), 16384, &read));
        reads.push_back(read);
    }
    EXPECT_EQ((std::vector<DWORD>{16384, 16384, 7232, 0}), reads);
}

TEST_F(InetHttp, RedirectIsTheReplyAndASecondSendReplacesIt) {
    HttpReply moved = HttpReply::text(302, "moved");
    moved.headers.emplace_back("Location", server->url("/elsewhere"));
    server->route("/moved", {moved, HttpReply::text(200, "second")});
    Exchange x(server->url("/moved"));
    ASSERT_EQ(0u, x.send());
    EXPECT_EQ(302u, x.status());
    ASSERT_EQ(0u, x.send());
    DWORD error = 0;
    EXPECT_EQ("second", x.readAll(error));
    std::size_t sent = 0;
    for (const auto& r : server->requests()) sent += r.target == "/moved";
    EXPECT_EQ(2u, sent);
}

TEST_F(InetHttp, HandlesAndStateAreChecked) {
    Exchange x(server->url("/none"));
    DWORD read = 0, size = 0;
    char byte;
    EXPECT_FALSE(InternetReadFile(x.request, &byte, 1, &read));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_STATE, GetLastError());
    EXPECT_FALSE(HttpQueryInfoA(x.request, HTTP_QUERY_STATUS_CODE, &byte, &size, nullptr));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_STATE, GetLastError());
    EXPECT_FALSE(HttpAddRequestHeadersA(x.connection, "A: b", DWORD(-1), 0));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, GetLastError());
    HINTERNET forged = reinterpret_cast<HINTERNET>(0x1234);
    EXPECT_FALSE(InternetCloseHandle(forged));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    DWORD flags = 0;
    EXPECT_FALSE(InternetSetOptionA(x.session, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, GetLastError());
}

// The W entry points as the upgrade client uses them: a POST over HTTPS
// built from wide text, the reply's head read back as wide text, and text
// the ANSI code page cannot carry refused before anything is sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inet_fixture.h"
#include "testkit/platform_root.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;

namespace {

class InetWideForms : public ::testing::Test {
protected:
    void SetUp() override {
        trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
        HttpReply reply = HttpReply::text(200, "<Tesk/>", "text/xml; charset=utf-8");
        reply.reason = "Hotovo";
        server.route("/cgi-bin/upgradeapp.cgi", reply);
    }

    testkit::PlatformRoot root;
    HttpServer server{{.tls = serverCredential(ServerCert::Good)}};
};

struct Handles {
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;
    ~Handles() { InternetCloseHandle(session); }
};

TEST_F(InetWideForms, PostFromWideTextAndReplyHeadAsWideText) {
    Handles h;
    // "ž" is 0x9E in the ANSI code page.
    h.session = InternetOpenW(u"Lumvar ž", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_NE(nullptr, h.session);
    h.connection = InternetConnectW(h.session, u"127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(nullptr, h.connection);
    LPCWSTR accept[] = {u"text/xml", u"text/plain", nullptr};
    h.request = HttpOpenRequestW(h.connection, u"POST", u"cgi-bin/upgradeapp.cgi", nullptr, nullptr, accept,
                                 INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE, 0);
    ASSERT_NE(nullptr, h.request);
    ASSERT_TRUE(HttpAddRequestHeadersW(h.request, u"Content-Type:text/plain\r\n", DWORD(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW));
    EXPECT_FALSE(HttpAddRequestHeadersW(h.request, u"Content-Type: text/xml", DWORD(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW));
    EXPECT_EQ(ERROR_HTTP_HEADER_ALREADY_EXISTS, GetLastError());
    // The length counts characters: the second line is not part of it.
    ASSERT_TRUE(HttpAddRequestHeadersW(h.request, u"X-One: 1\r\nX-Two: 2", 8, HTTP_ADDREQ_FLAG_ADD));
    std::u16string user = u"alice", password = u"s3cret";
    ASSERT_TRUE(InternetSetOptionW(h.request, INTERNET_OPTION_USERNAME, user.data(), DWORD(user.size())));
    ASSERT_TRUE(InternetSetOptionW(h.request, INTERNET_OPTION_PASSWORD, password.data(), DWORD(password.size() + 1)));
    std::string body = "<Tesk>\xc5\xbe</Tesk>";  // bytes, sent unconverted
    ASSERT_TRUE(HttpSendRequestW(h.request, nullptr, 0, body.data(), DWORD(body.size())));

    const auto seen = server.lastRequest();
    EXPECT_EQ("/cgi-bin/upgradeapp.cgi", seen.target);
    EXPECT_EQ(body, seen.body);
    EXPECT_EQ(std::vector<std::string>{"Lumvar \x9e"}, seen.values("User-Agent"));
    EXPECT_EQ(std::vector<std::string>{"text/plain"}, seen.values("Content-Type"));
    EXPECT_EQ(std::vector<std::string>{"text/xml, text/plain"}, seen.values("Accept"));
    EXPECT_EQ(std::vector<std::string>{"1"}, seen.values("X-One"));
    EXPECT_TRUE(seen.values("X-Two").empty());
    EXPECT_EQ(std::vector<std::string>{"Basic YWxpY2U6czNjcmV0"}, seen.values("Authorization"));

    // Lengths count bytes: a short buffer gets the size with the NUL, and
    // the index stays where it was until the text is handed over.
    char16_t text[32];
    DWORD size = 8, index = 0;
    EXPECT_FALSE(HttpQueryInfoW(h.request, HTTP_QUERY_CONTENT_TYPE, text, &size, &index));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(sizeof u"text/xml; charset=utf-8", size);
    EXPECT_EQ(0u, index);
    size = sizeof text;
    ASSERT_TRUE(HttpQueryInfoW(h.request, HTTP_QUERY_CONTENT_TYPE, text, &size, &index));
    EXPECT_EQ(u"text/xml; charset=utf-8", std::u16string(text, size / sizeof(char16_t)));
    EXPECT_EQ(1u, index);
    size = sizeof text;
    ASSERT_TRUE(HttpQueryInfoW(h.request, HTTP_QUERY_STATUS_TEXT, text, &size, nullptr));
    EXPECT_EQ(u"Hotovo", std::u16string(text));
    DWORD length = 0;
    size = sizeof length;
    ASSERT_TRUE(HttpQueryInfoW(h.request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr));
    EXPECT_EQ(7u, length);
    char read[16];
    DWORD got = 0;
    ASSERT_TRUE(InternetReadFile(h.request, read, sizeof read, &got));
    EXPECT_EQ("<Tesk/>", std::string(read, got));
}

TEST_F(InetWideForms, TextOutsideTheAnsiCodePageIsRefusedAndNothingIsSent) {
    Handles h;
    EXPECT_EQ(nullptr, InternetOpenW(u"agent \u4e2d", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    h.session = InternetOpenW(u"agent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    h.connection = InternetConnectW(h.session, u"127.0.0.1", server.port(), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    EXPECT_EQ(nullptr, HttpOpenRequestW(h.connection, u"POST", u"cgi-bin/\u4e2d.cgi", nullptr, nullptr, nullptr,
                                        INTERNET_FLAG_SECURE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    h.request = HttpOpenRequestW(h.connection, u"POST", u"cgi-bin/upgradeapp.cgi", nullptr, nullptr, nullptr,
                                 INTERNET_FLAG_SECURE, 0);
    EXPECT_FALSE(HttpSendRequestW(h.request, u"X-Name: \u4e2d\r\n", DWORD(-1), nullptr, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace

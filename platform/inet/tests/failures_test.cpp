// Servers that are absent, slow or hostile give WinINet's error numbers,
// within the time-outs set.
#include <gtest/gtest.h>

#include <chrono>

#include "inet_fixture.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

using namespace inet_test;
using namespace std::chrono_literals;
using testkit::HttpReply;
using testkit::HttpServer;

class InetFailures : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new HttpServer(); }
    static void TearDownTestSuite() { delete server; }
    static HttpServer* server;
    testkit::PlatformRoot root;

    // Sends to a route with this reply and a 500 ms time-out; the error of
    // the send, or of reading the body when the send worked.
    DWORD failureOf(HttpReply reply) {
        const std::string path = "/case" + std::to_string(++m_case);
        server->route(path, std::move(reply));
        Exchange x(server->url(path));
        x.setTimeouts(500);
        if (const DWORD error = x.send()) return error;
        DWORD error = 0;
        x.readAll(error);
        return error;
    }

private:
    int m_case = 0;
};
HttpServer* InetFailures::server = nullptr;

TEST_F(InetFailures, NoServer) {
    Exchange refused("http://127.0.0.1:" + std::to_string(testkit::freePort()) + "/");
    EXPECT_EQ(ERROR_INTERNET_CANNOT_CONNECT, refused.send());
    Exchange unknown("http://nosuchhost.invalid/");
    unknown.setTimeouts(2000);
    EXPECT_EQ(ERROR_INTERNET_NAME_NOT_RESOLVED, unknown.send());
}

TEST_F(InetFailures, HostileReplies) {
    HttpReply big = HttpReply::text(200, "x");
    big.headers.emplace_back("X-Big", std::string(70 * 1024, 'a'));
    EXPECT_EQ(ERROR_HTTP_INVALID_SERVER_RESPONSE, failureOf(big));
    EXPECT_EQ(ERROR_HTTP_INVALID_SERVER_RESPONSE, failureOf({.fault = HttpReply::Fault::Raw, .raw = "\x01\x02garbage\r\n\r\n"}));
    EXPECT_EQ(ERROR_HTTP_INVALID_SERVER_RESPONSE, failureOf({.fault = HttpReply::Fault::Close}));
    EXPECT_EQ(ERROR_INTERNET_CONNECTION_RESET, failureOf({.fault = HttpReply::Fault::Reset}));
    EXPECT_EQ(ERROR_INTERNET_CONNECTION_RESET,
              failureOf({.generatedSize = 1 << 20, .fault = HttpReply::Fault::ResetMidBody}));
    HttpReply liar = HttpReply::text(200, "short");
    liar.headers.emplace_back("Content-Length", "100");
    liar.contentLength = false;
    EXPECT_EQ(ERROR_INTERNET_CONNECTION_ABORTED, failureOf(liar));
}

TEST_F(InetFailures, SlowServersMeetTheTimeouts) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ERROR_INTERNET_TIMEOUT, failureOf({.delay = 1500ms}));
    // Never silent for long, but the head takes longer than the time-out in all.
    EXPECT_EQ(ERROR_INTERNET_TIMEOUT, failureOf({.drip = 100ms, .dripBytes = 4, .dripHead = true}));
    HttpReply stalls = HttpReply::text(200, std::string(10, 'a'));
    stalls.drip = 1500ms;
    stalls.dripBytes = 5;
    EXPECT_EQ(ERROR_INTERNET_TIMEOUT, failureOf(stalls));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);

    HttpReply steady = HttpReply::text(200, std::string(20, 'a'));
    steady.drip = 50ms;
    steady.dripBytes = 2;
    EXPECT_EQ(0u, failureOf(steady));
}

// InternetQueryDataAvailable: it waits for the body's next bytes, counts
// only what a read returns at once, and gives 0 at the end.
#include <gtest/gtest.h>

#include <chrono>

#include "inet_fixture.h"
#include "testkit/platform_root.h"

using namespace inet_test;
using namespace std::chrono_literals;
using testkit::HttpReply;
using testkit::HttpServer;
using Clock = std::chrono::steady_clock;

class InetDataAvailable : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new HttpServer(); }
    static void TearDownTestSuite() { delete server; }
    static HttpServer* server;
    testkit::PlatformRoot root;

    // A sent request for a route with this reply.
    std::unique_ptr<Exchange> sent(HttpReply reply) {
        const std::string path = "/case" + std::to_string(++m_case);
        server->route(path, std::move(reply));
        auto x = std::make_unique<Exchange>(server->url(path));
        if (x->send() != 0) throw std::runtime_error("send failed");
        return x;
    }

    // The error of InternetQueryDataAvailable, 0 on success.
    static DWORD queryError(HINTERNET h, DWORD flags = 0) {
        DWORD available = 0;
        return InternetQueryDataAvailable(h, &available, flags, 0) ? 0 : GetLastError();
    }

private:
    int m_case = 0;
};
HttpServer* InetDataAvailable::server = nullptr;

TEST_F(InetDataAvailable, ADrippingBodyIsReportedAsItArrives) {
    const std::string body = testkit::patternBody(32);
    HttpReply reply = HttpReply::text(200, body);
    reply.drip = 100ms;
    reply.dripBytes = 4;
    const auto x = sent(reply);

    std::string got;
    std::vector<DWORD> counts;
    for (;;) {
        DWORD available = 0;
        ASSERT_TRUE(InternetQueryDataAvailable(x->request, &available, 0, 0)) << GetLastError();
        if (available == 0) break;
        counts.push_back(available);
        DWORD again = 0;
        ASSERT_TRUE(InternetQueryDataAvailable(x->request, &again, 0, 0));
        EXPECT_EQ(available, again) << "nothing is taken in before the bytes are read";

        std::string piece(available, '\0');
        DWORD read = 0;
        const auto start = Clock::now();
        ASSERT_TRUE(InternetReadFile(x->request, piece.data(), available, &read)) << GetLastError();
        EXPECT_LT(Clock::now() - start, 50ms) << "reading what is available waited for the server";
        ASSERT_EQ(available, read);
        got += piece;
    }
    EXPECT_EQ(body, got);
    EXPECT_GE(counts.size(), 4u) << "the body was reported in few large amounts";
    for (DWORD n : counts) EXPECT_LE(n, 8u);

    DWORD read = 1;
    char byte;
    ASSERT_TRUE(InternetReadFile(x->request, &byte, 1, &read));
    EXPECT_EQ(0u, read);
    DWORD available = 1;
    ASSERT_TRUE(InternetQueryDataAvailable(x->request, &available, 0, 0));
    EXPECT_EQ(0u, available);
}

TEST_F(InetDataAvailable, ALargeBodyReadByWhatIsAvailableArrivesWhole) {
    constexpr std::size_t kSize = 5u << 20;
    for (const bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "with Content-Length" : "ending at close");
        const auto x = sent(HttpReply{.generatedSize = kSize, .contentLength = announced});
        std::size_t total = 0;
        bool intact = true;
        std::vector<unsigned char> buffer;
        for (DWORD available = 1; available;) {
            ASSERT_TRUE(InternetQueryDataAvailable(x->request, &available, 0, 0)) << GetLastError();
            buffer.resize(available);
            DWORD read = 0;
            ASSERT_TRUE(InternetReadFile(x->request, buffer.data(), available, &read)) << GetLastError();
            ASSERT_EQ(available, read);
            for (DWORD i = 0; i < read; ++i) intact &= buffer[i] == (total + i) % 251;
            total += read;
        }
        EXPECT_EQ(kSize, total);
        EXPECT_TRUE(intact);
    }
}

TEST_F(InetDataAvailable, ASilentServerMeetsTheReceiveTimeoutSetAfterTheSend) {
    HttpReply reply = HttpReply::text(200, std::string(10, 'a'));
    reply.drip = 3s;
    reply.dripBytes = 5;
    const auto x = sent(reply);
    DWORD available = 0;
    ASSERT_TRUE(InternetQueryDataAvailable(x->request, &available, 0, 0)) << GetLastError();
    std::string piece(available, '\0');
    DWORD read = 0;
    ASSERT_TRUE(InternetReadFile(x->request, piece.data(), available, &read));

    DWORD timeout = 300;
    ASSERT_TRUE(InternetSetOptionA(x->request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout));
    const auto start = Clock::now();
    EXPECT_EQ(ERROR_INTERNET_TIMEOUT, queryError(x->request));
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 1500ms);
}

TEST_F(InetDataAvailable, ALostConnectionIsReportedAfterTheBytesBeforeIt) {
    const auto x = sent(HttpReply{.generatedSize = 1 << 20, .fault = HttpReply::Fault::ResetMidBody});
    std::size_t total = 0;
    std::vector<char> buffer;
    DWORD error = 0;
    for (;;) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(x->request, &available, 0, 0)) {
            error = GetLastError();
            break;
        }
        ASSERT_NE(0u, available) << "a reset body was reported as ended";
        buffer.resize(available);
        DWORD read = 0;
        ASSERT_TRUE(InternetReadFile(x->request, buffer.data(), available, &read)) << GetLastError();
        total += read;
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_CONNECTION_RESET), error);
    EXPECT_LE(total, std::size_t{1} << 19);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_CONNECTION_RESET), queryError(x->request));
}

TEST_F(InetDataAvailable, HandlesArgumentsAndStateAreChecked) {
    Exchange unsent(server->url("/unsent"));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_STATE, queryError(unsent.request));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, queryError(unsent.connection));
    EXPECT_EQ(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, queryError(unsent.session));
    EXPECT_EQ(ERROR_INVALID_HANDLE, queryError(reinterpret_cast<HINTERNET>(0x1234)));
    HINTERNET closed = HttpOpenRequestA(unsent.connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(InternetCloseHandle(closed));
    EXPECT_EQ(ERROR_INVALID_HANDLE, queryError(closed));

    const auto x = sent(HttpReply::text(200, "abc"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, queryError(x->request, 1));
    ASSERT_TRUE(InternetQueryDataAvailable(x->request, nullptr, 0, 0)) << GetLastError();
    char text[8] = {};
    DWORD read = 0;
    ASSERT_TRUE(InternetReadFile(x->request, text, sizeof text, &read));
    EXPECT_EQ("abc", std::string(text, read));
}

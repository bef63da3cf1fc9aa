// Fetching CRLs: what a server sends comes back byte for byte, and a slow,
// silent or oversized one costs no more than the limits.
#include <gtest/gtest.h>

#include <chrono>

#include "chain/crl_download.h"
#include "platform/win_error.h"
#include "testkit/http_server.h"
#include "testkit/processor_time.h"
#include "testkit/sanitize_build.h"
#include "win32/crypt_chain.h"

using namespace std::chrono_literals;
using platform::WinError;
using platform::crypt::chain::downloadCrl;
using platform::crypt::chain::DownloadLimits;
using testkit::HttpReply;

namespace {

using Clock = std::chrono::steady_clock;

struct Attempt {
    DWORD error = 0;  // 0: the download succeeded
    std::chrono::milliseconds took{};
};

Attempt attempt(const std::string& url, const DownloadLimits& limits) {
    const auto start = Clock::now();
    Attempt result;
    try {
        downloadCrl(url, limits);
    } catch (const WinError& e) {
        result.error = e.code();
    }
    result.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return result;
}

constexpr DWORD kOfflineError = static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE);

}  // namespace

TEST(CrlDownload, TheBodyComesBackAsSent) {
    testkit::HttpServer server;
    server.route("/a.crl", HttpReply{.generatedSize = 100000});
    const auto body = downloadCrl(server.url("/a.crl"));
    const std::string expected = testkit::patternBody(100000);
    EXPECT_EQ(std::vector<BYTE>(expected.begin(), expected.end()), body);
    ASSERT_EQ(1u, server.requests().size());
    EXPECT_EQ("GET", server.requests()[0].method);
}

TEST(CrlDownload, OnlyHttpUrlsAreFetched) {
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), attempt("ldap://ldap.example/cn=CA?crl", {}).error);
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_NOT_FOUND), attempt("file:///etc/passwd", {}).error);
}

TEST(CrlDownload, SlowOrSilentServersCostNoMoreThanTheTimeLimit) {
    testkit::HttpServer server;
    server.route("/drip.crl", HttpReply{.generatedSize = 200, .drip = 50ms});
    server.route("/silent.crl", HttpReply{.delay = 30s});
    const DownloadLimits oneSecond{.timeLimit = 1s};
    for (const char* path : {"/drip.crl", "/silent.crl"}) {
        SCOPED_TRACE(path);
        const Attempt a = attempt(server.url(path), oneSecond);
        EXPECT_NE(0u, a.error);
        EXPECT_LT(a.took, 3s);
    }
}

TEST(CrlDownload, BodiesOverTheSizeLimitAreRefused) {
    testkit::HttpServer server;
    server.route("/announced.crl", HttpReply{.generatedSize = 2000});
    server.route("/unannounced.crl", HttpReply{.generatedSize = 2000, .contentLength = false});
    const DownloadLimits small{.maxBytes = 1000};
    EXPECT_EQ(kOfflineError, attempt(server.url("/announced.crl"), small).error);
    EXPECT_EQ(kOfflineError, attempt(server.url("/unannounced.crl"), small).error);
    EXPECT_EQ(0u, attempt(server.url("/unannounced.crl"), {}).error);
}

// The receive time-out of each wait is the time left, so a body that stalls
// after a late head ends the fetch at the limit, not a whole time-out later.
TEST(CrlDownload, AStallLateInTheFetchEndsItAtTheTimeLimit) {
    testkit::HttpServer server;
    HttpReply late = HttpReply::text(200, std::string(10, 'a'));
    late.delay = 800ms;
    late.drip = 5s;
    late.dripBytes = 5;
    server.route("/late.crl", late);
    const Attempt a = attempt(server.url("/late.crl"), {.timeLimit = 1s});
    EXPECT_EQ(kOfflineError, a.error);
    EXPECT_LT(a.took, 1400ms);
}

// Reads take what has arrived, not a byte at a time: the largest CRL the
// limit allows costs the process well under a second of processor time
// (three with the sanitizers), where eight million reads of a byte cost
// several. Processor time, unlike the clock, does not grow with the load.
TEST(CrlDownload, ALargeCrlArrivesQuickly) {
    testkit::HttpServer server;
    constexpr std::size_t kEightMegabytes = 8u << 20;
    server.route("/large.crl", HttpReply{.generatedSize = kEightMegabytes});
    const auto start = testkit::processorTime();
    const auto body = downloadCrl(server.url("/large.crl"));
    const auto took = testkit::processorTime() - start;
    ASSERT_EQ(kEightMegabytes, body.size());
    bool intact = true;
    for (std::size_t i = 0; i < body.size(); ++i) intact &= body[i] == i % 251;
    EXPECT_TRUE(intact);
    EXPECT_LT(took, 1s * testkit::kSlowdown);
}

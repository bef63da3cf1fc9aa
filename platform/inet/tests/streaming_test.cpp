// A 50 MB reply is streamed: the process's peak memory grows by a small
// window, not by the body's size.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "inet_fixture.h"
#include "testkit/platform_root.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;

namespace {

constexpr std::size_t kFiftyMegabytes = 50u << 20;

// AddressSanitizer holds freed memory back for a while, so under it the
// peak grows with every buffer freed and says nothing about the window.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakTellsTheWindow = false;
#else
constexpr bool kPeakTellsTheWindow = true;
#endif

// Peak resident memory in KiB since the last reset.
long peakKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

}  // namespace

class InetStreaming : public ::testing::TestWithParam<bool> {};

TEST_P(InetStreaming, FiftyMegabytesPassThroughASmallWindow) {
    testkit::PlatformRoot root;
    const bool secure = GetParam();
    trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
    testkit::HttpServerOptions options;
    if (secure) options.tls = serverCredential(ServerCert::Good);
    HttpServer server(options);
    server.route("/big", HttpReply{.generatedSize = kFiftyMegabytes});
    Exchange x(server.url("/big"));
    ASSERT_TRUE(resetPeak()) << "the peak memory of this process cannot be reset";
    const long before = peakKib();
    ASSERT_EQ(0u, x.send());

    std::vector<char> buffer(16384);
    std::size_t total = 0;
    bool intact = true;
    for (DWORD read = 1; read;) {
        ASSERT_TRUE(InternetReadFile(x.request, buffer.data(), 16384, &read)) << GetLastError();
        for (DWORD i = 0; i < read; ++i) intact &= static_cast<unsigned char>(buffer[i]) == (total + i) % 251;
        total += read;
    }
    EXPECT_EQ(kFiftyMegabytes, total);
    EXPECT_TRUE(intact);
    if (kPeakTellsTheWindow) {
        EXPECT_LT(peakKib() - before, 8 * 1024) << "KiB of extra peak memory";
    }
}

INSTANTIATE_TEST_SUITE_P(Scheme, InetStreaming, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Https" : "Http"; });

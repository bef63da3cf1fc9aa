// Requests go through the proxy the session names (forwarded for HTTP,
// tunnelled for HTTPS), with its credentials, or through the system's.
#include <gtest/gtest.h>

#include <cstdlib>

#include "inet_fixture.h"
#include "testkit/platform_root.h"
#include "win32/crypt_store.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;

class InetProxy : public ::testing::Test {
protected:
    void SetUp() override {
        trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
        plain.route("/", HttpReply::text(200, "plain"));
        secure.route("/", HttpReply::text(200, "secure"));
    }
    std::string proxyList() const { return "127.0.0.1:" + std::to_string(proxy.port()); }

    testkit::PlatformRoot root;
    HttpServer plain;
    HttpServer secure{{.tls = serverCredential(ServerCert::Good)}};
    HttpServer proxy{{.proxy = true, .proxyCredentials = "agent:secret"}};
};

TEST_F(InetProxy, ForwardsAndTunnelsWithItsCredentials) {
    for (HttpServer* target : {&plain, &secure}) {
        Exchange x(target->url(), INTERNET_OPEN_TYPE_PROXY, proxyList().c_str());
        std::string user = "agent", password = "secret";
        InternetSetOptionA(x.request, INTERNET_OPTION_PROXY_USERNAME, user.data(), DWORD(user.size()));
        InternetSetOptionA(x.request, INTERNET_OPTION_PROXY_PASSWORD, password.data(), DWORD(password.size()));
        ASSERT_EQ(0u, x.send());
        EXPECT_EQ(200u, x.status());
    }
    const auto seen = proxy.requests();
    ASSERT_EQ(3u, seen.size());  // the forwarded request is logged twice
    EXPECT_EQ(plain.url(), seen[0].target);
    EXPECT_EQ(std::vector<std::string>{"Basic YWdlbnQ6c2VjcmV0"}, seen[0].values("Proxy-Authorization"));
    EXPECT_EQ("forward", seen[1].event);
    EXPECT_TRUE(seen[1].values("Proxy-Authorization").empty());
    EXPECT_EQ("CONNECT", seen[2].method);
    EXPECT_EQ("127.0.0.1:" + std::to_string(secure.port()), seen[2].target);
    EXPECT_EQ(1u, plain.requests().size());
    EXPECT_EQ(1u, secure.requests().size());
}

TEST_F(InetProxy, RefusalIsTheReply) {
    for (HttpServer* target : {&plain, &secure}) {
        Exchange x(target->url(), INTERNET_OPEN_TYPE_PROXY, proxyList().c_str());
        ASSERT_EQ(0u, x.send());
        EXPECT_EQ(407u, x.status());
    }
    EXPECT_TRUE(secure.requests().empty());
}

TEST_F(InetProxy, ListChoosesByScheme) {
    HttpServer open({.proxy = true});
    const std::string list = "https=" + proxyList() + " http=127.0.0.1:" + std::to_string(open.port());
    Exchange x(plain.url(), INTERNET_OPEN_TYPE_PROXY, list.c_str());
    ASSERT_EQ(0u, x.send());
    EXPECT_EQ(200u, x.status());
    EXPECT_EQ(2u, open.requests().size());
    EXPECT_TRUE(proxy.requests().empty());
}

TEST_F(InetProxy, PreconfiguredMeansTheSystemsProxyAndDirectIgnoresIt) {
    HttpServer open({.proxy = true});
    const std::string url = "http://127.0.0.1:" + std::to_string(open.port());
    ::setenv("http_proxy", url.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    EXPECT_EQ(0u, Exchange(plain.url(), INTERNET_OPEN_TYPE_PRECONFIG).send());
    EXPECT_EQ(0u, Exchange(plain.url(), INTERNET_OPEN_TYPE_DIRECT).send());
    ::unsetenv("http_proxy");
    EXPECT_EQ(2u, open.requests().size());  // one forwarded request, logged twice
    EXPECT_EQ(2u, plain.requests().size());
}

// The connection map sends a named host and port to a local server: the
// request still names its host, the server's certificate is checked against
// that name, other ports of the host are not mapped, and a damaged map
// fails the send instead of connecting where it did not mean to.
#include <gtest/gtest.h>

#include "inet_fixture.h"
#include "testkit/connection_map.h"
#include "testkit/platform_root.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;

TEST(InetConnectionMap, NamedHostReachesTheLocalServerUnderItsOwnName) {
    testkit::PlatformRoot root;
    trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
    HttpServer named({.tls = serverCredential(ServerCert::OtherName)});  // for "elsewhere.example"
    named.route("/renew", HttpReply::text(200, "mapped"));
    testkit::mapConnection("elsewhere.example", 443, named.port());
    {
        Exchange x("https://Elsewhere.Example/renew");
        ASSERT_EQ(0u, x.send("body"));
        DWORD error = 0;
        EXPECT_EQ("mapped", x.readAll(error));
        EXPECT_EQ(std::vector<std::string>{"Elsewhere.Example"}, named.lastRequest().values("Host"));
    }
    {
        Exchange x("https://elsewhere.example:8443/renew");
        EXPECT_EQ(ERROR_INTERNET_NAME_NOT_RESOLVED, x.send());
    }

    // The same name mapped to a server whose certificate is for 127.0.0.1.
    HttpServer other({.tls = serverCredential(ServerCert::Good)});
    other.route("/renew", HttpReply::text(200, "wrong server"));
    root.write("connection_map", "# tests\nelsewhere.example\t443  127.0.0.1 " + std::to_string(other.port()) + "\n");
    {
        Exchange x("https://elsewhere.example/renew");
        EXPECT_EQ(ERROR_INTERNET_SEC_CERT_CN_INVALID, x.send());
    }

    root.write("connection_map", "elsewhere.example 443 127.0.0.1 " + std::to_string(named.port()) +
                                     "\nlocalhost 80 not-an-address 8080\n");
    const std::size_t before = named.requests().size();
    {
        Exchange x("https://elsewhere.example/renew");
        EXPECT_EQ(ERROR_INTERNET_INTERNAL_ERROR, x.send());
    }
    EXPECT_EQ(before, named.requests().size());
}

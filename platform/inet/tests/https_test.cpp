// HTTPS trusts what the certificate stores hold, gives the certificate
// error WinINet gives, and waives only the check a security flag names.
// (A client certificate signing in its provider: common's transfer tests.)
#include <gtest/gtest.h>

#include "inet_fixture.h"
#include "testkit/platform_root.h"
#include "win32/crypt_store.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;

struct CertCase {
    const char* name;
    ServerCert kind;
    DWORD error;   // without a waiver
    DWORD waiver;  // the flag that lets the request through
};

class InetHttpsCertificate : public ::testing::TestWithParam<CertCase> {
protected:
    testkit::PlatformRoot root;
};

TEST_P(InetHttpsCertificate, FailsWithItsErrorUntilWaived) {
    const CertCase& c = GetParam();
    trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
    HttpServer server({.tls = serverCredential(c.kind)});
    server.route("/", HttpReply::text(200, "fine"));
    {
        Exchange x(server.url());
        EXPECT_EQ(c.error, x.send());
    }
    if (!c.waiver) return;
    Exchange x(server.url());
    // The other flags waive nothing of this problem.
    x.setSecurityFlags(0x3180 & ~c.waiver);
    EXPECT_EQ(c.error, x.send());
    x.setSecurityFlags(c.waiver);
    ASSERT_EQ(0u, x.send());
    DWORD error = 0;
    EXPECT_EQ("fine", x.readAll(error));
}

INSTANTIATE_TEST_SUITE_P(
    Server, InetHttpsCertificate,
    ::testing::Values(CertCase{"Good", ServerCert::Good, 0, 0},
                      CertCase{"UnknownCa", ServerCert::UnknownCa, ERROR_INTERNET_INVALID_CA, SECURITY_FLAG_IGNORE_UNKNOWN_CA},
                      CertCase{"Expired", ServerCert::Expired, ERROR_INTERNET_SEC_CERT_DATE_INVALID,
                               SECURITY_FLAG_IGNORE_CERT_DATE_INVALID},
                      CertCase{"OtherName", ServerCert::OtherName, ERROR_INTERNET_SEC_CERT_CN_INVALID,
                               SECURITY_FLAG_IGNORE_CERT_CN_INVALID},
                      CertCase{"Revoked", ServerCert::Revoked, ERROR_INTERNET_SEC_CERT_REVOKED,
                               SECURITY_FLAG_IGNORE_REVOCATION}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InetHttps, TrustComesFromTheStoresOfUserOrMachine) {
    testkit::PlatformRoot root;
    HttpServer server({.tls = serverCredential(ServerCert::Good)});
    server.route("/", HttpReply::text(200, "fine"));
    EXPECT_EQ(ERROR_INTERNET_INVALID_CA, Exchange(server.url()).send());
    trustHierarchy(CERT_SYSTEM_STORE_LOCAL_MACHINE);
    EXPECT_EQ(0u, Exchange(server.url()).send());
}

TEST(InetHttps, ServerAskingForAClientCertificateWithoutOne) {
    testkit::PlatformRoot root;
    trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
    HttpServer server({.tls = serverCredential(ServerCert::Good), .clientCa = hierarchy().root.certificate});
    server.route("/", HttpReply::text(200, "welcome"));
    EXPECT_EQ(ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, Exchange(server.url()).send());
}

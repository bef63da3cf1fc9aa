// Revocation of signers: the hierarchy's CRLs served on a local HTTP server
// at the distribution points its certificates name, a revoked signer, and
// CRLs that cannot be fetched.
#include <gtest/gtest.h>

#include <optional>

#include "../cms_verify_support.h"
#include "common/chain_check.h"
#include "common/cryptoapi.h"
#include "testkit/http_server.h"
#include "win32/crypt_chain.h"
#include "win32/error.h"

using namespace verify_support;

namespace {

constexpr DWORD kWithRevocation = kCheckChain | kCheckRevocation;

testkit::HttpReply crlReply(const pki::Crl& crl) { return {.body = std::string(crl.der().begin(), crl.der().end())}; }

// Each test has a server, and so distribution points, of its own: the
// process keeps fetched CRLs by their address.
class RevocationTest : public VerifyTest {
protected:
    RevocationTest() : VerifyTest(pki) {}
    void SetUp() override {
        VerifyTest::SetUp();
        server->route("/root.crl", crlReply(pki::CrlBuilder(pki.root).build()));
        server->route("/standard-ca.crl",
                      crlReply(pki::CrlBuilder(pki.standardCa).revoke(revoked.certificate.serial()).build()));
    }
    DWORD verify(const Bytes& message, DWORD flags) {
        return api.VerifyMessage(nullptr, message, nullptr, flags, nullptr, nullptr, nullptr);
    }

    std::optional<testkit::HttpServer> server{std::in_place};
    pki::Hierarchy pki = pki::Hierarchy::make({.crlBaseUrl = server->url("")});
    pki::Credential revoked = pki::CertificateBuilder()
                                  .subject(pki::Name{{"CN", "Tesk Revoked User"}})
                                  .issuedBy(pki.standardCa)
                                  .crlDistributionPoints({server->url("/standard-ca.crl")})
                                  .build();
    TCryptoapi api;
};

TEST_F(RevocationTest, ARevokedSignerIsReportedWhenRevocationIsChecked) {
    // The flags with which the trusted list's signer is verified.
    EXPECT_EQ(0u, verify(sign(pki.commercial, {.extra = {"-cades"}}), kWithRevocation | kCheckSigningCert));
    const Bytes message = sign(revoked);
    EXPECT_EQ(1004u, verify(message, kWithRevocation));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_REVOKED), GetLastError());
    EXPECT_NE("", loggedLineWith("status:0x4,  CERT_TRUST_IS_REVOKED"));
    EXPECT_EQ(0u, verify(message, kCheckChain));
}

TEST_F(RevocationTest, AnUnreachableCrlLeavesTheRevocationStatusUnknown) {
    const Bytes message = sign(pki.commercial);
    server.reset();
    EXPECT_EQ(1008u, verify(message, kWithRevocation));
    EXPECT_NE("", loggedLineWith(" CERT_TRUST_REVOCATION_STATUS_UNKNOWN CERT_TRUST_IS_OFFLINE_REVOCATION"));
    EXPECT_EQ(0u, verify(message, kCheckChain));
}

}  // namespace

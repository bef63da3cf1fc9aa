// CRLs, as `openssl crl` lists them and `openssl verify -crl_check` uses them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "openssl_peer.h"

namespace testkit::pki {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(CrlBuilder, ListsTheRevokedSerialsWithTheirReasons) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    const auto set = Hierarchy::make();
    const Bytes highBit{0x81, 0x02, 0x03};
    const auto crl = CrlBuilder(set.standardCa)
                         .revoke(set.commercial.certificate.serial(), RevocationReason::KeyCompromise)
                         .revoke(highBit)
                         .thisUpdate(utc("2030-05-01"))
                         .nextUpdate(utc("2030-05-08T12:00:00Z"))
                         .build();
    const auto file = peer.write("ca.crl", crl.der());
    const auto ca = set.standardCa.write(peer.folder().path(), "ca");
    const auto shown = peer.run({"crl", "-inform", "DER", "-in", file, "-text", "-noout", "-CAfile", ca.chainPem});
    EXPECT_EQ(0, shown.exitCode) << shown.err;
    EXPECT_THAT(shown.err, HasSubstr("verify OK"));
    EXPECT_THAT(shown.out, HasSubstr("Issuer: C = SK, O = Tesk, CN = Tesk Standard CA\n"));
    EXPECT_THAT(shown.out, HasSubstr("Last Update: May  1 00:00:00 2030 GMT\n"));
    EXPECT_THAT(shown.out, HasSubstr("Next Update: May  8 12:00:00 2030 GMT\n"));
    EXPECT_THAT(shown.out, HasSubstr("X509v3 CRL Number: \n                1\n"));
    EXPECT_THAT(shown.out, HasSubstr("X509v3 Authority Key Identifier"));
    EXPECT_THAT(shown.out, HasSubstr("Serial Number: " + hex(set.commercial.certificate.serial()) +
                                     "\n        Revocation Date: May  1 00:00:00 2030 GMT\n"
                                     "        CRL entry extensions:\n"
                                     "            X509v3 CRL Reason Code: \n"
                                     "                Key Compromise\n"));
    EXPECT_THAT(shown.out, HasSubstr("Serial Number: " + hex(highBit) + "\n"));
}

TEST(CrlBuilder, OpensslRefusesARevokedUser) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const OpensslPeer peer;
    const auto set = Hierarchy::make();
    const auto root = set.root.write(peer.folder().path(), "root");
    const auto user = set.commercial.write(peer.folder().path(), "user");
    const auto check = [&](const Crl& crl) {
        const auto file = peer.write("ca.pem", crl.pem());
        return peer.run({"verify", "-crl_check", "-CRLfile", file, "-CAfile", root.certificatePem, "-untrusted",
                         user.chainPem, user.certificatePem});
    };
    const auto revoked = check(CrlBuilder(set.standardCa).revoke(set.commercial.certificate.serial()).build());
    EXPECT_NE(0, revoked.exitCode);
    EXPECT_THAT(revoked.out + revoked.err, HasSubstr("certificate revoked"));
    const auto other = check(CrlBuilder(set.standardCa).revoke(set.expired.certificate.serial()).build());
    EXPECT_EQ(0, other.exitCode) << other.out << other.err;
    EXPECT_THAT(other.out + other.err, Not(HasSubstr("revoked")));
}

}  // namespace
}  // namespace testkit::pki

// The ready-made hierarchy: chains `openssl verify` accepts or refuses, and
// the traits the system classifies certificates by.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "openssl_peer.h"

namespace testkit::pki {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class HierarchyTest : public ::testing::Test {
protected:
    // `openssl verify -CAfile root -untrusted <chain>` on the written files.
    RunResult verify(const Credential& user, std::string_view name,
                     const std::vector<std::string>& extra = {}) const {
        const auto root = m_set.root.write(m_peer.folder().path(), "root");
        const auto files = user.write(m_peer.folder().path(), name);
        std::vector<std::string> arguments{"verify", "-CAfile", root.certificatePem, "-untrusted", files.chainPem};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.push_back(files.certificatePem);
        return m_peer.run(arguments);
    }

    const Hierarchy m_set = Hierarchy::make({.crlBaseUrl = "http://127.0.0.1:8080"});
    const OpensslPeer m_peer;
};

TEST_F(HierarchyTest, OpensslAcceptsTheGoodChains) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const std::pair<const Credential*, const char*> good[] = {
        {&m_set.qualified, "qualified"}, {&m_set.commercial, "commercial"},
        {&m_set.tsa, "tsa"},             {&m_set.notNested, "not-nested"}};
    for (const auto& [user, name] : good) {
        const auto result = verify(*user, name);
        EXPECT_EQ(0, result.exitCode) << name << ": " << result.out << result.err;
    }
    const auto tsa = verify(m_set.tsa, "tsa", {"-purpose", "timestampsign"});
    EXPECT_EQ(0, tsa.exitCode) << tsa.out << tsa.err;
}

TEST_F(HierarchyTest, OpensslRefusesTheBrokenOnes) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const std::tuple<const Credential*, const char*, const char*> broken[] = {
        {&m_set.expired, "expired", "certificate has expired"},
        {&m_set.notYetValid, "not-yet-valid", "certificate is not yet valid"},
        {&m_set.tampered, "tampered", "certificate signature failure"},
        {&m_set.untrusted, "untrusted", "self-signed certificate in certificate chain"}};
    for (const auto& [user, name, reason] : broken) {
        const auto result = verify(*user, name);
        EXPECT_NE(0, result.exitCode) << name;
        EXPECT_THAT(result.out + result.err, HasSubstr(reason)) << name;
    }
}

TEST_F(HierarchyTest, UsersCarryWhatTheSystemClassifiesThemBy) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const auto qualified = m_peer.text(m_set.qualified.certificate);
    EXPECT_THAT(qualified, HasSubstr("Issuer: C = SK, O = Tesk, CN = Tesk Qualified CA\n"));
    EXPECT_THAT(qualified, HasSubstr("X509v3 Key Usage: critical\n                Non Repudiation\n"));
    EXPECT_THAT(qualified, HasSubstr("Policy: " + std::string(kQualifiedPolicy) + "\n"));
    EXPECT_THAT(qualified, HasSubstr("URI:http://127.0.0.1:8080/qualified-ca.crl\n"));
    const auto statements = m_peer.extension(m_set.qualified.certificate, "qcStatements");
    EXPECT_THAT(statements, HasSubstr(":" + std::string(kQcCompliance) + "\n"));
    EXPECT_THAT(statements, HasSubstr(":" + std::string(kQcSscd) + "\n"));

    const auto commercial = m_peer.text(m_set.commercial.certificate);
    EXPECT_THAT(commercial, HasSubstr("Issuer: C = SK, O = Tesk, CN = Tesk Standard CA\n"));
    EXPECT_THAT(commercial,
                HasSubstr("X509v3 Key Usage: critical\n                Digital Signature, Key Encipherment\n"));
    EXPECT_THAT(commercial, HasSubstr("TLS Web Client Authentication, E-mail Protection\n"));
    EXPECT_THAT(commercial, Not(HasSubstr("qcStatements")));
    EXPECT_THAT(commercial, HasSubstr("URI:http://127.0.0.1:8080/standard-ca.crl\n"));

    EXPECT_THAT(m_peer.text(m_set.tsa.certificate),
                HasSubstr("X509v3 Extended Key Usage: critical\n                Time Stamping\n"));
    const auto ca = m_peer.text(m_set.standardCa.certificate);
    EXPECT_THAT(ca, HasSubstr("X509v3 Basic Constraints: critical\n                CA:TRUE, pathlen:0\n"));
    EXPECT_THAT(ca, HasSubstr("URI:http://127.0.0.1:8080/root.crl\n"));
}

TEST_F(HierarchyTest, NotNestedUserOutlivesItsIssuer) {
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const auto endOf = [&](const Certificate& certificate) {
        const auto file = m_peer.write("dated.der", certificate.der());
        return m_peer.run({"x509", "-inform", "DER", "-in", file, "-noout", "-enddate", "-dateopt", "iso_8601"}).out;
    };
    EXPECT_GT(endOf(m_set.notNested.certificate), endOf(m_set.standardCa.certificate));
    EXPECT_LT(endOf(m_set.commercial.certificate), endOf(m_set.standardCa.certificate));
}

}  // namespace
}  // namespace testkit::pki

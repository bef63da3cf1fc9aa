// The TSA as a client meets it: over HTTPS with and without a client
// certificate (curl as the client), and granting what the test arranged
// (another policy, a signer of the test's choice) as `openssl ts` reads it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "openssl_peer.h"
#include "server_hierarchy.h"
#include "testkit/pki.h"
#include "testkit/process.h"
#include "testkit/tsa.h"

namespace testkit {

namespace {

using pki::OpensslPeer;

class TsaService : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("curl");
        m_peer.write("document.txt", std::string_view("a document to be time-stamped\n"));
        m_peer.write("root.pem", hierarchy().root.certificate.pem());
    }

    // A query for the document, naming `policy` when given.
    std::string query(const std::string& policy = {}) {
        std::vector<std::string> args = {"ts", "-query", "-data", "document.txt", "-sha256", "-cert", "-out", "query.tsq"};
        if (!policy.empty()) args.insert(args.end(), {"-tspolicy", policy});
        EXPECT_EQ(0, m_peer.run(args).exitCode);
        return "query.tsq";
    }

    // curl posting the query; the reply lands in reply.tsr.
    RunResult post(const std::string& url, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> argv = {"curl", "--silent", "--show-error", "--fail", "--cacert", "root.pem",
                                         "-H", "Content-Type: application/timestamp-query",
                                         "--data-binary", "@query.tsq", "-o", "reply.tsr"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        argv.push_back(url);
        return run(argv, m_peer.folder().path());
    }

    std::string replyText() {
        const RunResult shown = m_peer.run({"ts", "-reply", "-in", "reply.tsr", "-text"});
        EXPECT_EQ(0, shown.exitCode) << shown.err;
        return shown.out;
    }

    OpensslPeer m_peer;
};

TEST_F(TsaService, HttpsServesOnlyClientsWithACertificateOfTheGivenCa) {
    Tsa tsa(hierarchy(), {.https = true, .clientCa = hierarchy().root.certificate});
    query();

    EXPECT_NE(0, post(tsa.url()).exitCode);
    hierarchy().untrusted.write(m_peer.folder().path(), "stranger");
    EXPECT_NE(0, post(tsa.url(), {"--cert", "stranger-chain.pem", "--key", "stranger.key"}).exitCode);
    EXPECT_EQ(0u, tsa.requests());

    hierarchy().commercial.write(m_peer.folder().path(), "client");
    const RunResult served = post(tsa.url(), {"--cert", "client-chain.pem", "--key", "client.key"});
    ASSERT_EQ(0, served.exitCode) << served.err;
    EXPECT_EQ(1u, tsa.requests());
    EXPECT_NE(std::string::npos, replyText().find("Status: Granted."));
}

TEST_F(TsaService, GrantsAnotherPolicyUnderTheChosenSigner) {
    const pki::Credential chosen = pki::CertificateBuilder()
                                       .subject(pki::Name{{"CN", "Tesk Chosen Time Stamping"}})
                                       .issuedBy(hierarchy().standardCa)
                                       .keyUsage(pki::kDigitalSignature)
                                       .extendedKeyUsage({std::string(pki::kTimeStamping)}, true)
                                       .build();
    Tsa tsa(hierarchy(), {.signer = chosen});
    tsa.answer(TsaFault::OtherPolicy);
    m_peer.write("chain.pem", hierarchy().standardCa.certificate.pem());

    const std::string other(TsaSigner::kOtherPolicy), policy(TsaSigner::kPolicy);
    const std::vector<std::pair<std::string, std::string>> askedAndGranted = {{"", other}, {policy, other}, {other, policy}};
    for (const auto& [asked, granted] : askedAndGranted) {
        SCOPED_TRACE("asked for \"" + asked + "\"");
        query(asked);
        ASSERT_EQ(0, post(tsa.url()).exitCode);
        const std::string text = replyText();
        EXPECT_NE(std::string::npos, text.find("Policy OID: " + granted)) << text;
        EXPECT_NE(std::string::npos, text.find("CN=Tesk Chosen Time Stamping")) << text;
        // The token is sound: signed by the chosen signer, over the document.
        const RunResult verified = m_peer.run({"ts", "-verify", "-in", "reply.tsr", "-data", "document.txt",
                                               "-CAfile", "root.pem", "-untrusted", "chain.pem"});
        EXPECT_EQ(0, verified.exitCode) << verified.out << verified.err;
    }
}

}  // namespace

}  // namespace testkit

// The renewal-server client over HTTPS: the program names the server's host
// (here through the connection map to a local server with a certificate for
// that name), posts the body as the server expects it and takes the whole
// reply; every failure is an HTTPSException without a step line.
#include <gtest/gtest.h>

#include <sstream>

#include "../cert_store_support.h"
#include "halvex/renew_client.h"
#include "halvex/renew_xml.h"
#include "lumvar/server_post.h"
#include "platform/text.h"
#include "testkit/bounded_run.h"
#include "testkit/connection_map.h"
#include "testkit/http_server.h"
#include "testkit/renewal_body.h"
#include "testkit/renewal_server.h"
#include "testkit/sanitize_build.h"
#include "win32/error.h"
#include "win32/error_codes.h"

namespace halvex {
namespace {

namespace pki = testkit::pki;
using testkit::HttpReply;
using testkit::HttpServer;

constexpr char kHost[] = "renew.example.sk";
constexpr char kPath[] = "/cgi-bin/renreq3.cgi";

const pki::Hierarchy& Pki() {
    static const pki::Hierarchy h = pki::Hierarchy::make();
    return h;
}

pki::Credential ServerCertificate(const pki::Credential& issuer) {
    return pki::CertificateBuilder()
        .subject(pki::Name{{"CN", kHost}})
        .issuedBy(issuer)
        .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
        .extendedKeyUsage({"1.3.6.1.5.5.7.3.1"})
        .subjectAltNames({pki::GeneralName::dns(kHost)})
        .build();
}

class HalvexRenewPost : public ::testing::Test {
protected:
    void SetUp() override { cert_support::installIssuers(Pki()); }

    // A server for kHost reached through the map.
    HttpServer& Serve(const pki::Credential& issuer) {
        m_server = std::make_unique<HttpServer>(testkit::HttpServerOptions{.tls = ServerCertificate(issuer)});
        testkit::mapConnection(kHost, 443, m_server->port());
        return *m_server;
    }

    // The exception HttpsPost throws.
    static HTTPSException Failure(const std::string& body = "body") {
        RequestPoster poster(std::string("https://") + kHost + kPath);
        try {
            poster.HttpsPost(body);
        } catch (const HTTPSException& e) {
            return e;
        }
        ADD_FAILURE() << "no HTTPSException";
        return HTTPSException("", 0, std::nullopt);
    }

    testkit::PlatformRoot m_root;
    std::unique_ptr<HttpServer> m_server;
};

TEST_F(HalvexRenewPost, PostsToTheNamedHostOn443AndTakesTheWholeReply) {
    HttpServer& server = Serve(Pki().standardCa);
    // An acceptance far longer than one read, its end marked by the closed connection only.
    const std::string reply = "<?xml version=\"1.0\"?>\n<Tesk><!--" + std::string(300000, 'x') +
                              "--><Body status=\"ok\"><ReqID ca_type=\"QCA\">20240042</ReqID></Body></Tesk>";
    HttpReply answer = HttpReply::text(200, reply, "text/xml");
    answer.contentLength = false;
    server.route(kPath, answer);

    const std::string body = "-----BEGIN Tesk Kyd-----\nUEsDBA==\n-----END Tesk Kyd-----\n";
    // The address's own port is not the one connected to. A last error left
    // over from before fails no step that succeeds.
    RequestPoster poster(std::string("https://") + kHost + ":8443" + kPath);
    SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
    poster.HttpsPost(body);
    EXPECT_EQ(poster.Reply().size(), reply.size());
    EXPECT_TRUE(poster.Reply() == reply);
    const auto issued = ParseRenewResponse(poster.Reply());
    ASSERT_EQ(issued.size(), 1u);
    EXPECT_EQ(issued[0].number, "20240042");

    const auto got = server.lastRequest();
    EXPECT_EQ(got.method, "POST");
    EXPECT_EQ(got.target, kPath);
    EXPECT_EQ(got.body, body);
    EXPECT_EQ(got.values("Content-Type"), std::vector<std::string>{"text/plain"});
    EXPECT_EQ(got.values("User-Agent"), std::vector<std::string>{"Halvex"});
    EXPECT_EQ(got.values("Host"), std::vector<std::string>{kHost});
}

TEST_F(HalvexRenewPost, FailuresAreHttpsExceptionsWithoutAStepLine) {
    Serve(Pki().untrustedRoot).route(kPath, HttpReply::text(200, "never read"));
    const HTTPSException untrusted = Failure();
    EXPECT_EQ(untrusted.errorNumber(), ERROR_INTERNET_INVALID_CA);
    const std::string text = untrusted.what();
    EXPECT_TRUE(text.starts_with("Error in HTTPS connection.\nLibrary error number: 12045\nMessage: ")) << text;
    EXPECT_TRUE(text.ends_with("\n")) << text;
    EXPECT_EQ(text.find("Line:"), std::string::npos) << text;
    EXPECT_EQ(text.find("Unknown error"), std::string::npos) << text;

    HttpServer& server = Serve(Pki().standardCa);
    HttpReply endless;
    endless.generatedSize = RequestPoster::kMaxReply + 1;
    server.route(kPath, endless);
    EXPECT_NE(std::string(Failure().what()).find("longer than"), std::string::npos);

    HttpReply reset;
    reset.fault = HttpReply::Fault::Reset;
    server.route(kPath, reset);
    EXPECT_EQ(std::string(Failure().what()).find("Line:"), std::string::npos);

    // A host the map does not name is not reached at all.
    RequestPoster elsewhere("https://unmapped.example/cgi-bin/renreq3.cgi");
    EXPECT_THROW(elsewhere.HttpsPost("body"), HTTPSException);
}

// A server that sends a byte every half second holds neither client past
// its deadline: the renewal client's poster, and the exchange with the update
// client's options (Content-Length, progress, numbered steps), both end with
// the system's time-out and its text.
TEST_F(HalvexRenewPost, ADrippingServerIsLeftAtTheDeadline) {
    HttpServer& server = Serve(Pki().standardCa);
    HttpReply drip = HttpReply::text(200, std::string(200, 'x'));
    drip.drip = std::chrono::milliseconds(500);
    server.route(kPath, drip);
    const std::string timeOut = "Error in HTTPS connection.\nLibrary error number: 12002\nMessage: The operation timed out";

    auto started = std::chrono::steady_clock::now();
    RequestPoster poster(std::string("https://") + kHost + kPath, std::chrono::seconds(2));
    try {
        poster.HttpsPost("body");
        ADD_FAILURE() << "the whole drip was waited for";
    } catch (const HTTPSException& e) {
        EXPECT_EQ(e.errorNumber(), ERROR_INTERNET_TIMEOUT);
        EXPECT_TRUE(std::string(e.what()).starts_with(timeOut)) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

    lumvar::PostOptions update;
    update.agentName = u"Lumvar";
    update.fixedPort = 443;
    std::uint32_t received = 0;
    update.progress = [&](std::uint32_t, std::uint32_t got) { received = got; };
    update.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    started = std::chrono::steady_clock::now();
    try {
        lumvar::PostToServer(std::string("https://") + kHost + kPath, "body", update);
        ADD_FAILURE() << "the whole drip was waited for";
    } catch (const HTTPSException& e) {
        EXPECT_EQ(e.errorNumber(), ERROR_INTERNET_TIMEOUT);
        EXPECT_TRUE(std::string(e.what()).starts_with(timeOut)) << e.what();
        EXPECT_NE(std::string(e.what()).find("Line: 232"), std::string::npos) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_LT(received, 200u);
}

// A long reply is held once: room for it is made as it comes, up to its
// announced length and never twice that.
TEST_F(HalvexRenewPost, ALongReplyIsHeldInMemoryOnce) {
    constexpr std::size_t kLength = 65u << 20;
    HttpReply answer;
    answer.generatedSize = kLength;
    Serve(Pki().standardCa).route(kPath, answer);
    lumvar::PostOptions update;
    update.agentName = u"Lumvar";
    update.fixedPort = 443;
    const auto run = testkit::RunBounded(
        [&] { return lumvar::PostToServer(std::string("https://") + kHost + kPath, "body", update).size() == kLength ? 0 : 1; },
        1024, 120);
    EXPECT_TRUE(run.exited && run.exitCode == 0) << run.exitCode;
    EXPECT_LT(run.peakGrowthMiB, 65 * 5 / 4 + testkit::kFreedButHeldMiB);
}

class NoAppData : public RequestAppData {
public:
    std::u16string DefaultHashOid() const override { return u"1.2.840.113549.1.1.11"; }
    bool IsAcceptedHash(const std::u16string&) const override { return true; }
    DWORD ProviderFlags(const std::u16string&) const override { return 0; }
};

// The renewal document of a request of the kind, for a fresh key.
std::string RenewalDocument(DWORD kind, bool secondary) {
    NoAppData app;
    TCertRequest request(app);
    request.kind = kind;
    request.requestText = platform::text::fromUtf8(testkit::renewal::newRequestText("Jan Novák"));
    EXPECT_TRUE(BuildRequestXml(request, secondary));
    return platform::text::toUtf8(request.xmlDocument);
}

// Base64 of a PKCS#10 request for the key, as a renewal document carries it.
std::string RequestForKey(const pki::Key& key, const std::filesystem::path& folder) {
    const std::string keyFile = (folder / "old-key.pem").string();
    testkit::writeFile(keyFile, key.pkcs8Pem());
    const auto made = testkit::run({"openssl", "req", "-new", "-key", keyFile, "-subj", "/CN=Jan Novák"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    std::string text;
    std::istringstream lines(made.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("-----")) text += line + "\n";
    return text;
}

TEST_F(HalvexRenewPost, RenewalServerIssuesANumberPerCertificateOfAPair) {
    testkit::RenewalServer server(Pki(), Pki().qualified.certificate, kHost);
    server.mapHost();
    server.expect({{"Q-PV-SK", "S-PV"}, "zip"});
    const std::string body = testkit::renewal::renewalBody(
        RenewalDocument(kKindQualified | kKindParvelPair, false), Pki().qualified,
        {testkit::renewal::pkcs7Block(RenewalDocument(kKindParvelPair, true), Pki().commercial)});

    RequestPoster poster(server.url());
    poster.HttpsPost(body);
    const auto issued = ParseRenewResponse(poster.Reply());
    const auto got = server.requests();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].verdict, "ok");
    EXPECT_EQ(got[0].body, body);
    ASSERT_EQ(issued.size(), 2u);
    ASSERT_EQ(got[0].numbers.size(), 2u);
    for (std::size_t i = 0; i < issued.size(); ++i) {
        EXPECT_EQ(issued[i].caType, got[0].numbers[i].first);
        EXPECT_EQ(issued[i].number, got[0].numbers[i].second);
    }
    EXPECT_EQ(issued[0].caType, "qualified");
    EXPECT_EQ(issued[1].caType, "commercial");

    // A long reply comes whole; a container the holder did not sign is refused.
    server.answer(testkit::RenewalReply::Long);
    poster.HttpsPost(body);
    EXPECT_EQ(ParseRenewResponse(poster.Reply()).size(), 2u);
    const auto refusal = [&](const std::string& refused) {
        RequestPoster other(server.url());
        other.HttpsPost(refused);
        try {
            ParseRenewResponse(other.Reply());
            ADD_FAILURE() << "accepted";
        } catch (const ResponseException& e) {
            EXPECT_EQ(e.code(), "400");
            return e.message();
        }
        return std::string();
    };
    EXPECT_EQ(refusal(testkit::renewal::renewalBody(RenewalDocument(kKindQualified, false), Pki().commercial)),
              "the container is not signed by the certificate being renewed");

    // Each document is checked as the authority checks it: its place, its
    // billing type, its signature and a key other than the renewed one.
    const std::string primary = RenewalDocument(kKindQualified | kKindParvelPair, false);
    const std::string secondary = RenewalDocument(kKindParvelPair, true);
    const auto pairBody = [&](const std::string& document, const std::string& block) {
        return testkit::renewal::renewalBody(document, Pki().qualified,
                                             {testkit::renewal::pkcs7Block(block, Pki().commercial)});
    };
    EXPECT_EQ(refusal(pairBody(RenewalDocument(kKindQualified | kKindParvelPair, true), secondary)),
              "document 1 lacks UserData");
    EXPECT_EQ(refusal(pairBody(primary, RenewalDocument(kKindParvelPair, false))), "document 2 carries UserData");
    EXPECT_EQ(refusal(pairBody(RenewalDocument(kKindQualified, false), secondary)),
              "document 1 has billing type Q-PE-SK, not Q-PV-SK");
    // A block whose bytes changed on the way.
    std::string forged = pairBody(primary, secondary);
    const std::size_t begin = forged.find("-----BEGIN PKCS7-----"), end = forged.find("-----END PKCS7-----");
    char& changed = forged[forged.find_first_of("ABCDEFGHIJ", begin + (end - begin) / 2)];
    changed = changed == 'A' ? 'B' : 'A';
    EXPECT_TRUE(refusal(forged).starts_with("PKCS#7 block 2 does not verify"));

    NoAppData app;
    TCertRequest oldKey(app);
    oldKey.kind = kKindQualified | kKindParvelPair;
    oldKey.requestText = platform::text::fromUtf8(RequestForKey(Pki().qualified.key, m_root.path()));
    ASSERT_TRUE(BuildRequestXml(oldKey, false));
    EXPECT_EQ(refusal(pairBody(platform::text::toUtf8(oldKey.xmlDocument), secondary)),
              "document 1: the request is for the key of the certificate being renewed");
}

}  // namespace
}  // namespace halvex

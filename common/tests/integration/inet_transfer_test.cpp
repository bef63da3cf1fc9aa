// TInetTransfer against testkit's HTTP server, HTTPS server and proxy.
#include "common/inet_transfer.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/http_server.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_store.h"
#include "win32/error.h"
#include "win32/registry.h"
#include "win32/ui.h"

namespace {

using namespace std::chrono_literals;
using testkit::HttpReply;
using testkit::HttpServer;
using namespace testkit::pki;
using testkit::Bytes;
namespace script = platform::ui::script;

// The protected state that a derived transfer (the time-stamp connection)
// reads.
struct Transfer : TInetTransfer {
    using TInetTransfer::m_httpStatus;
    using TInetTransfer::m_port;

    explicit Transfer(const std::string& url) {
        m_url = url;
        m_timeout = 5;
        m_accessType = INTERNET_OPEN_TYPE_DIRECT;
    }
    // Connect, send, disconnect, as the signing component drives it.
    int post(const std::string& body, std::string* reply = nullptr, bool ignoreUnknownCa = false) {
        if (const int r = Connect()) return r;
        Bytes out;
        const int r = SendRequest(Bytes(body.begin(), body.end()), out, ignoreUnknownCa);
        if (reply) reply->assign(out.begin(), out.end());
        Disconnect();
        return r;
    }
};

const Hierarchy& hierarchy() {
    static const Hierarchy h = Hierarchy::make();
    return h;
}

Credential serverCertificate(const Credential& issuer, Instant notBefore, Instant notAfter,
                             const std::string& address = "127.0.0.1") {
    return CertificateBuilder()
        .subject(Name{{"CN", address}})
        .issuedBy(issuer)
        .validity(notBefore, notAfter)
        .extendedKeyUsage({"1.3.6.1.5.5.7.3.1"})
        .subjectAltNames({address == "127.0.0.1" ? GeneralName::ip(address) : GeneralName::dns(address)})
        .build();
}
Credential goodServer() { return serverCertificate(hierarchy().standardCa, fromNow(-24h), fromNow(240h)); }

void addToStore(const char16_t* store, const Bytes& der) {
    HCERTSTORE s = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
    CertAddEncodedCertificateToStore(s, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                     CERT_STORE_ADD_ALWAYS, nullptr);
    CertCloseStore(s, 0);
}

class InetTransferTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new HttpServer(); }
    static void TearDownTestSuite() { delete server; }

    void SetUp() override {
        ::setenv("PLATFORM_UI", "script", 1);
        script::clear();
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unanswered: " << question;
            return IDCANCEL;
        });
        addToStore(u"Root", hierarchy().root.certificate.der());
        addToStore(u"CA", hierarchy().standardCa.certificate.der());
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
    }
    // A fresh path on the shared server.
    std::string route(std::vector<HttpReply> replies) {
        const std::string path = "/r" + std::to_string(++routes);
        server->route(path, std::move(replies));
        return path;
    }
    std::size_t requestsTo(const std::string& path) {
        std::size_t n = 0;
        for (const auto& r : server->requests()) n += r.target == path;
        return n;
    }

    static HttpServer* server;
    static int routes;
    testkit::PlatformRoot root;
};
HttpServer* InetTransferTest::server = nullptr;
int InetTransferTest::routes = 0;

TEST_F(InetTransferTest, ConnectChecksTheUrlAndTheState) {
    for (const char* url : {"ftp://host/file", "http://host", "http:///path", "no url at all", "http://host:70000/x"})
        EXPECT_EQ(INET_E_BAD_URL, Transfer(url).Connect()) << url;
    EXPECT_EQ(INET_E_NO_URL, Transfer("").Connect());

    Transfer https("https://tsa.example.invalid/ts");
    EXPECT_EQ(INET_OK, https.Connect());  // no connection is made before the first send
    EXPECT_EQ(443u, https.m_port);
    EXPECT_EQ(INET_E_STATE, https.Connect());
    EXPECT_EQ(1, https.Disconnect());
    EXPECT_EQ(0, https.Disconnect());
    https.m_url = "http://tsa.example.invalid/ts";
    EXPECT_EQ(INET_OK, https.Connect());
    EXPECT_EQ(80u, https.m_port);

    Transfer idle(server->url("/"));
    Bytes reply;
    EXPECT_EQ(INET_E_STATE, idle.SendRequest({}, reply, false));
    EXPECT_FALSE(idle.AddRequestHeaders("X", "y"));
}

class InetTransferBodies : public InetTransferTest, public ::testing::WithParamInterface<std::tuple<bool, std::size_t>> {};

TEST_P(InetTransferBodies, PostsTheBodyAndReadsTheWholeReply) {
    const auto [secure, size] = GetParam();
    std::unique_ptr<HttpServer> tls;
    if (secure) tls = std::make_unique<HttpServer>(testkit::HttpServerOptions{.tls = goodServer()});
    HttpServer& target = secure ? *tls : *server;
    const bool huge = size > (1u << 20);
    target.route("/body", huge ? HttpReply{.generatedSize = size} : HttpReply{.echo = true});

    Transfer t(target.url("/body"));
    ASSERT_EQ(INET_OK, t.Connect());
    const std::string body = huge ? "x" : testkit::patternBody(size);
    Bytes reply = {'>'};  // what the reply already held stays
    ASSERT_EQ(INET_OK, t.SendRequest(Bytes(body.begin(), body.end()), reply, false));
    ASSERT_EQ(size + 1, reply.size());
    EXPECT_EQ('>', reply[0]);
    bool intact = true;
    for (std::size_t i = 0; i < size; ++i) intact &= reply[i + 1] == i % 251;
    EXPECT_TRUE(intact);
    EXPECT_EQ(huge ? 1 : size, target.lastRequest().length);
}

INSTANTIATE_TEST_SUITE_P(Sizes, InetTransferBodies,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(0u, 1u, 16384u, 1u << 20, 50u << 20)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Https" : "Http") +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST_F(InetTransferTest, SendsOneOfEachHeaderOnEverySend) {
    const std::string path = route({HttpReply{.echo = true}});
    Transfer t(server->url(path));
    t.SetContentType("application/timestamp-query\r\n");
    ASSERT_EQ(INET_OK, t.Connect());
    Bytes reply;
    ASSERT_EQ(INET_OK, t.SendRequest({'a', 'b', 'c'}, reply, false));
    ASSERT_EQ(INET_OK, t.SendRequest({'d'}, reply, false));
    EXPECT_EQ("abcd", std::string(reply.begin(), reply.end()));
    const auto last = server->lastRequest();
    EXPECT_EQ("HTTP/1.0", last.version);
    EXPECT_EQ(std::vector<std::string>{"*/*"}, last.values("Accept"));
    EXPECT_EQ(std::vector<std::string>{"1"}, last.values("Content-Length"));
    EXPECT_EQ(std::vector<std::string>{"application/timestamp-query"}, last.values("Content-Type"));
    EXPECT_EQ(std::vector<std::string>{"Mozilla/4.0 (compatible; )"}, last.values("User-Agent"));
    EXPECT_TRUE(last.values("Cookie").empty());
}

TEST_F(InetTransferTest, StatusDecidesTheResult) {
    std::string reply;
    EXPECT_EQ(INET_OK, Transfer(server->url(route({HttpReply::text(302, "moved")}))).post("", &reply));
    EXPECT_EQ("moved", reply);
    for (int status : {400, 404, 500, 505, 550, 599}) {
        Transfer t(server->url(route({HttpReply::text(status, "no")})));
        EXPECT_EQ(INET_E_HTTP_STATUS, t.post("x")) << status;
        EXPECT_EQ(static_cast<DWORD>(status), t.m_httpStatus);
    }
}

TEST_F(InetTransferTest, ReplyMustCarryTheExpectedContentType) {
    const auto result = [&](HttpReply reply) {
        Transfer t(server->url(route({std::move(reply)})));
        t.SetAcceptType("application/timestamp-reply");
        return t.post("q");
    };
    EXPECT_EQ(INET_OK, result(HttpReply::text(200, "r", "application/timestamp-reply; charset=x")));
    EXPECT_EQ(INET_OK, result(HttpReply::text(200, "r", "Application/TimeStamp-Reply")));
    EXPECT_EQ(INET_E_CONTENT_TYPE, result(HttpReply::text(200, "<html/>", "text/html")));
    HttpReply noType = HttpReply::text(200, "r");
    noType.headers.clear();
    noType.headers.emplace_back("Content-Type", std::string(2000, 'a'));
    EXPECT_EQ(INET_E_NO_REPLY, result(noType));
}

TEST_F(InetTransferTest, TransientFailuresAreTriedThreeTimes) {
    Transfer refused("http://127.0.0.1:" + std::to_string(testkit::freePort()) + "/x");
    EXPECT_EQ(INET_E_NO_REPLY, refused.post("x"));
    EXPECT_EQ(ERROR_INTERNET_CANNOT_CONNECT, GetLastError());

    const HttpReply reset{.fault = HttpReply::Fault::Reset};
    const std::string failing = route({reset});
    EXPECT_EQ(INET_E_NO_REPLY, Transfer(server->url(failing)).post("x"));
    EXPECT_EQ(3u, requestsTo(failing));
    const std::string recovering = route({reset, reset, HttpReply::text(200, "ok")});
    EXPECT_EQ(INET_OK, Transfer(server->url(recovering)).post("x"));
    EXPECT_EQ(3u, requestsTo(recovering));
}

TEST_F(InetTransferTest, SlowServerMeetsTheTimeout) {
    Transfer t(server->url(route({HttpReply{.delay = 2500ms}})));
    t.m_timeout = 1;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(INET_E_WININET, t.post("x"));
    EXPECT_EQ(ERROR_INTERNET_TIMEOUT, GetLastError());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

// Wrong names and passwords are asked again, as often as the server
// refuses them, without using up the three attempts.
TEST_F(InetTransferTest, LoginDialogUntilTheServerAcceptsOrTheUserCancels) {
    HttpServer guarded({.credentials = "alice:s3cret"});
    guarded.route("/", HttpReply::text(200, "in"));
    for (int i = 0; i < 3; ++i) script::queue("Credentials", "alice wrong", "server 127.0.0.1: testkit");
    script::queue("Credentials", "alice s3cret");
    std::string reply;
    EXPECT_EQ(INET_OK, Transfer(guarded.url("/")).post("x", &reply));
    EXPECT_EQ("in", reply);
    EXPECT_EQ(5u, guarded.requests().size());
    EXPECT_EQ(std::vector<std::string>{"Basic YWxpY2U6czNjcmV0"}, guarded.lastRequest().values("Authorization"));

    script::queue("Credentials", "IDCANCEL");
    EXPECT_EQ(INET_E_CANCELLED, Transfer(guarded.url("/")).post("x"));
}

TEST_F(InetTransferTest, ProxyWithItsCredentials) {
    HttpServer proxy({.proxy = true, .proxyCredentials = "agent:secret"});
    const std::string path = route({HttpReply::text(200, "via proxy")});
    Transfer t(server->url(path));
    t.m_accessType = INTERNET_OPEN_TYPE_PROXY;
    t.SetProxyServer("127.0.0.1:" + std::to_string(proxy.port()));
    t.SetProxyUser("agent");
    t.SetProxyPassword("secret");
    std::string reply;
    EXPECT_EQ(INET_OK, t.post("x", &reply));
    EXPECT_EQ("via proxy", reply);
    EXPECT_EQ(server->url(path), proxy.requests().at(0).target);

    t.SetProxyPassword("wrong");
    script::queue("Credentials", "IDCANCEL", "proxy 127.0.0.1: testkit");
    EXPECT_EQ(INET_E_CANCELLED, t.post("x"));
    script::queue("Credentials", "agent secret", "proxy");
    EXPECT_EQ(INET_OK, t.post("x"));
}

TEST_F(InetTransferTest, OfflineMachineIsNotConnected) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER,
                                             u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                                             nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    const DWORD offline = 1;
    RegSetValueExW(key, u"GlobalUserOffline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&offline), sizeof offline);
    RegCloseKey(key);
    const std::string path = route({HttpReply::text(200, "unseen")});
    Transfer t(server->url(path));
    EXPECT_EQ(0, t.IsOnline());
    EXPECT_EQ(INET_E_OFFLINE, t.post("x"));
    EXPECT_EQ(0u, requestsTo(path));
}

struct TlsCase {
    const char* name;
    Credential (*certificate)();
    DWORD error;
};

class InetTransferTls : public InetTransferTest, public ::testing::WithParamInterface<TlsCase> {};

// Without a dialog, a certificate problem ends the send with its number;
// accepting an unknown authority waives nothing else.
TEST_P(InetTransferTls, SilentlyRefusedWithItsError) {
    HttpServer tls({.tls = GetParam().certificate()});
    tls.route("/", HttpReply::text(200, "fine"));
    Transfer t(tls.url("/"));
    t.m_certErrorsByDialog = 0;
    EXPECT_EQ(INET_E_WININET, t.post("x", nullptr, GetParam().error != ERROR_INTERNET_INVALID_CA));
    EXPECT_EQ(GetParam().error, GetLastError());
    EXPECT_TRUE(tls.requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Certificate, InetTransferTls,
    ::testing::Values(
        TlsCase{"UnknownCa", [] { return serverCertificate(hierarchy().untrustedRoot, fromNow(-24h), fromNow(240h)); },
                ERROR_INTERNET_INVALID_CA},
        TlsCase{"Expired", [] { return serverCertificate(hierarchy().standardCa, fromNow(-48h), fromNow(-24h)); },
                ERROR_INTERNET_SEC_CERT_DATE_INVALID},
        TlsCase{"WrongHost",
                [] { return serverCertificate(hierarchy().standardCa, fromNow(-24h), fromNow(240h), "elsewhere.example"); },
                ERROR_INTERNET_SEC_CERT_CN_INVALID}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InetTransferTest, CertificateProblemsAreWaivedOnlyWhenAsked) {
    HttpServer unknown({.tls = serverCertificate(hierarchy().untrustedRoot, fromNow(-24h), fromNow(240h))});
    unknown.route("/", HttpReply::text(200, "fine"));
    EXPECT_EQ(INET_OK, Transfer(unknown.url("/")).post("x", nullptr, true));
    script::queue("MessageBox", "IDNO", "certifikační autorita");
    EXPECT_EQ(INET_E_CANCELLED, Transfer(unknown.url("/")).post("x"));
    script::queue("MessageBox", "IDYES", "certifikační autorita");
    EXPECT_EQ(INET_OK, Transfer(unknown.url("/")).post("x"));

    HttpServer expired({.tls = serverCertificate(hierarchy().standardCa, fromNow(-48h), fromNow(-24h))});
    expired.route("/", HttpReply::text(200, "fine"));
    Transfer owner(expired.url("/"));
    owner.m_certErrorsByDialog = 0;
    owner.m_securityFlags = SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
    EXPECT_EQ(INET_OK, owner.post("x"));
}

TEST_F(InetTransferTest, ClientCertificateIsSentWhenTheServerAsks) {
    HttpServer tls({.tls = goodServer(), .clientCa = hierarchy().root.certificate});
    tls.route("/", HttpReply::text(200, "welcome"));
    Transfer t(tls.url("/"));
    EXPECT_EQ(INET_E_CLIENT_CERT, t.post("x"));

    testkit::TestCsp csp(testkit::CspKind::Software, root, u"inet-client");
    PCCERT_CONTEXT cert = csp.certificateWithKey("Inet Client", hierarchy().standardCa);
    t.SetClientCert(cert);
    CertFreeCertificateContext(cert);  // the transfer keeps its own
    std::string reply;
    EXPECT_EQ(INET_OK, t.post("x", &reply)) << GetLastError();
    EXPECT_EQ("welcome", reply);
    EXPECT_EQ("Inet Client", tls.lastRequest().clientCertificateCn);
}

// With the dialog, the user picks the certificate among their own; a
// cancel ends the send.
TEST_F(InetTransferTest, ClientCertificateChosenInTheDialog) {
    HttpServer tls({.tls = goodServer(), .clientCa = hierarchy().root.certificate});
    tls.route("/", HttpReply::text(200, "welcome"));
    testkit::TestCsp csp(testkit::CspKind::Software, root, u"inet-client");
    PCCERT_CONTEXT cert = csp.certificateWithKey("Inet Client", hierarchy().standardCa);
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    EXPECT_TRUE(CertAddCertificateContextToStore(my, cert, CERT_STORE_ADD_ALWAYS, nullptr));
    CertCloseStore(my, 0);
    CertFreeCertificateContext(cert);

    Transfer t(tls.url("/"));
    t.m_clientCertByDialog = 1;
    script::queue("Certificate", "IDCANCEL", "[0] Inet Client");
    EXPECT_EQ(INET_E_CANCELLED, t.post("x"));
    script::queue("Certificate", "0", "[0] Inet Client");
    std::string reply;
    EXPECT_EQ(INET_OK, t.post("x", &reply)) << GetLastError();
    EXPECT_EQ("welcome", reply);
    EXPECT_EQ("Inet Client", tls.lastRequest().clientCertificateCn);
}

}  // namespace

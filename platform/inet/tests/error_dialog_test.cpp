// InternetErrorDlg puts the request's problem to the user through the UI
// backend; the script backend answers here, and the next send shows what
// the answer changed.
#include <gtest/gtest.h>

#include "inet_fixture.h"
#include "platform/ui.h"
#include "testkit/csp.h"
#include "testkit/platform_root.h"
#include "win32/crypt_store.h"
#include "win32/ui.h"

using namespace inet_test;
using testkit::HttpReply;
using testkit::HttpServer;
namespace script = platform::ui::script;

class InetErrorDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("PLATFORM_UI", "script", 1);
        script::clear();
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unanswered: " << question;
            return IDCANCEL;
        });
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
    }
    static DWORD dialog(const Exchange& x, DWORD error) {
        return InternetErrorDlg(GetDesktopWindow(), x.request, error, kFlags, nullptr);
    }
    // The login question answered "USER PASSWORD", then the resend's status.
    static DWORD statusAfterLogin(Exchange& x, const std::string& answer, const std::string& expectText = {}) {
        script::queue("Credentials", answer, expectText);
        EXPECT_EQ(ERROR_INTERNET_FORCE_RETRY, dialog(x, ERROR_INTERNET_INCORRECT_PASSWORD));
        return x.send() == 0 ? x.status() : 0;
    }
    static constexpr DWORD kFlags =
        FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS;
    testkit::PlatformRoot root;
};

TEST_F(InetErrorDialog, YesToACertificateProblemWaivesItForTheRequest) {
    HttpServer server({.tls = serverCredential(ServerCert::UnknownCa)});
    server.route("/", HttpReply::text(200, "fine"));
    Exchange x(server.url());
    ASSERT_EQ(ERROR_INTERNET_INVALID_CA, x.send());
    script::queue("MessageBox", "IDNO", "127.0.0.1");
    EXPECT_EQ(ERROR_CANCELLED, dialog(x, ERROR_INTERNET_INVALID_CA));
    EXPECT_EQ(ERROR_INTERNET_INVALID_CA, x.send());
    script::queue("MessageBox", "IDYES", "certifikační autorita");
    EXPECT_EQ(ERROR_SUCCESS, dialog(x, ERROR_INTERNET_INVALID_CA));
    EXPECT_EQ(0u, x.send());
}

// The question names the server and the realm of its challenge; only the
// right name and password get the resend in.
TEST_F(InetErrorDialog, LoginGivenInTheDialogAuthenticatesTheResend) {
    HttpServer server({.credentials = "alice:s3cret"});
    server.route("/", HttpReply::text(200, "in"));
    Exchange x(server.url());
    ASSERT_EQ(0u, x.send());
    ASSERT_EQ(401u, x.status());

    EXPECT_EQ(401u, statusAfterLogin(x, "alice wrong", "server 127.0.0.1: testkit"));
    ASSERT_EQ(200u, statusAfterLogin(x, "alice s3cret"));
    DWORD error = 0;
    EXPECT_EQ("in", x.readAll(error));
    EXPECT_EQ(std::vector<std::string>{"Basic YWxpY2U6czNjcmV0"}, server.lastRequest().values("Authorization"));

    script::queue("Credentials", "IDCANCEL");
    EXPECT_EQ(ERROR_CANCELLED, dialog(x, ERROR_INTERNET_INCORRECT_PASSWORD));
}

TEST_F(InetErrorDialog, ProxyLoginGoesToTheProxyOnly) {
    HttpServer target;
    target.route("/", HttpReply::text(200, "via proxy"));
    HttpServer proxy({.proxy = true, .proxyCredentials = "agent:secret"});
    const std::string list = "127.0.0.1:" + std::to_string(proxy.port());
    Exchange x(target.url(), INTERNET_OPEN_TYPE_PROXY, list.c_str());
    ASSERT_EQ(0u, x.send());
    ASSERT_EQ(407u, x.status());
    EXPECT_EQ(200u, statusAfterLogin(x, "agent secret", "proxy 127.0.0.1: testkit"));
    EXPECT_TRUE(target.lastRequest().values("Authorization").empty());
}

// Only the user's certificates that name their key are offered; a cancel
// is a cancel, not a try without a certificate.
TEST_F(InetErrorDialog, ClientCertificateIsChosenAmongTheUsersOwnWithKeys) {
    trustHierarchy(CERT_SYSTEM_STORE_CURRENT_USER);
    HttpServer server({.tls = serverCredential(ServerCert::Good), .clientCa = hierarchy().root.certificate});
    server.route("/", HttpReply::text(200, "welcome"));
    Exchange x(server.url());
    ASSERT_EQ(ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, x.send());
    script::queue("MessageBox", "IDOK", "není žádný s privátním klíčem");
    EXPECT_EQ(ERROR_CANCELLED, dialog(x, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED));

    testkit::TestCsp first(testkit::CspKind::Software, root, u"first");
    testkit::TestCsp second(testkit::CspKind::Software, root, u"second");
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    const testkit::Bytes keyless = serverCredential(ServerCert::Good).certificate.der();
    for (PCCERT_CONTEXT c : {first.certificateWithKey("Inet First", hierarchy().standardCa),
                             CertCreateCertificateContext(X509_ASN_ENCODING, keyless.data(), DWORD(keyless.size())),
                             second.certificateWithKey("Inet Second", hierarchy().standardCa)}) {
        EXPECT_TRUE(CertAddCertificateContextToStore(my, c, CERT_STORE_ADD_ALWAYS, nullptr));
        CertFreeCertificateContext(c);
    }
    CertCloseStore(my, 0);

    script::queue("Certificate", "IDCANCEL");
    EXPECT_EQ(ERROR_CANCELLED, dialog(x, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED));
    EXPECT_EQ(ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, x.send());
    script::queue("Certificate", "1", "[1] Inet Second | Tesk Standard CA");
    EXPECT_EQ(ERROR_SUCCESS, dialog(x, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED));
    ASSERT_EQ(0u, x.send());
    EXPECT_EQ("Inet Second", server.lastRequest().clientCertificateCn);
    const std::string offered = script::transcript().back();
    EXPECT_NE(std::string::npos, offered.find("[0] Inet First | Tesk Standard CA")) << offered;
    EXPECT_NE(std::string::npos, offered.find("<Všechny>")) << offered;
    EXPECT_EQ(std::string::npos, offered.find("[2]")) << offered;
}

TEST_F(InetErrorDialog, AsksNothingWhenItCannot) {
    HttpServer server;
    Exchange x(server.url());
    for (DWORD error : {ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_INCORRECT_PASSWORD,
                        ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED})
        EXPECT_EQ(ERROR_CANCELLED, InternetErrorDlg(nullptr, x.request, error, kFlags | FLAGS_ERROR_UI_FLAGS_NO_UI, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, dialog(x, ERROR_INTERNET_TIMEOUT));
    EXPECT_EQ(ERROR_INVALID_HANDLE, InternetErrorDlg(GetDesktopWindow(), nullptr, ERROR_INTERNET_INVALID_CA, kFlags, nullptr));
    EXPECT_TRUE(script::transcript().empty());
}

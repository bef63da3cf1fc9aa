// InternetErrorDlg puts the request's problem to the user through the UI
// backend; the script backend answers here.
#include <gtest/gtest.h>

#include "inet_fixture.h"
#include "platform/ui.h"
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
    EXPECT_EQ(ERROR_CANCELLED, InternetErrorDlg(GetDesktopWindow(), x.request, ERROR_INTERNET_INVALID_CA, kFlags, nullptr));
    EXPECT_EQ(ERROR_INTERNET_INVALID_CA, x.send());
    script::queue("MessageBox", "IDYES", "certifikační autorita");
    EXPECT_EQ(ERROR_SUCCESS, InternetErrorDlg(GetDesktopWindow(), x.request, ERROR_INTERNET_INVALID_CA, kFlags, nullptr));
    EXPECT_EQ(0u, x.send());
}

TEST_F(InetErrorDialog, LoginQuestionOffersToSendAgain) {
    HttpServer server;
    server.route("/", HttpReply::text(401, "who?"));
    Exchange x(server.url());
    ASSERT_EQ(0u, x.send());
    script::queue("MessageBox", "IDRETRY", "vyžaduje přihlášení");
    EXPECT_EQ(ERROR_INTERNET_FORCE_RETRY,
              InternetErrorDlg(GetDesktopWindow(), x.request, ERROR_INTERNET_INCORRECT_PASSWORD, kFlags, nullptr));
    script::queue("MessageBox", "IDCANCEL");
    EXPECT_EQ(ERROR_CANCELLED,
              InternetErrorDlg(GetDesktopWindow(), x.request, ERROR_INTERNET_INCORRECT_PASSWORD, kFlags, nullptr));
}

TEST_F(InetErrorDialog, AsksNothingWhenItCannotOrNeedNot) {
    HttpServer server;
    Exchange x(server.url());
    EXPECT_EQ(ERROR_CANCELLED, InternetErrorDlg(nullptr, x.request, ERROR_INTERNET_INVALID_CA,
                                                kFlags | FLAGS_ERROR_UI_FLAGS_NO_UI, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              InternetErrorDlg(GetDesktopWindow(), x.request, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED, kFlags, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              InternetErrorDlg(GetDesktopWindow(), x.request, ERROR_INTERNET_TIMEOUT, kFlags, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, InternetErrorDlg(GetDesktopWindow(), nullptr, ERROR_INTERNET_INVALID_CA, kFlags, nullptr));
    EXPECT_TRUE(script::transcript().empty());
}

// One renewal from the home page to the request number, as a user clicks
// through it: the authority's certificates installed by its registration
// module, the qualified certificate chosen from the user's "MY" store, the
// data page typed in (the certificate carries no identifier: the applicant
// adds an identity card's number for the public administration), the
// request made, signed and sent to testkit's renewal server, which checks
// every part of it.
#include <regex>

#include "frame_layout.h"
#include "openssl_request.h"
#include "sending_fixture.h"
#include "testkit/softhsm.h"
#include "win32/ui.h"

namespace {

using namespace sending_fixture;

// The qualified certificate's key in the software provider, or on a
// SoftHSM2 token as the card provider "Zintra CSP", whose vendor module is
// the token's.
class WholeRenewal : public RequestSending, public testing::WithParamInterface<testkit::CspKind> {
protected:
    void SetUp() override {
        qualifiedKind = GetParam();
        if (qualifiedKind == testkit::CspKind::SoftHsmToken) {
            TESTKIT_REQUIRE_SOFTHSM();
            const fs::path system = root.path() / "Windows" / "System32";
            fs::create_directories(system);
            fs::create_symlink(testkit::SoftHsmToken::module(), system / "zintrap11.so");
            pentakAnswers = "Pin 1234\n" + pentakAnswers;
            signerPins = "Pin 1234\n";
        }
        RequestSending::SetUp();
        // The qualified certificate carries the production policy; the
        // server stays the one the fixture started.
        ASSERT_TRUE(halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment",
                                            halvex::kEnvironmentProduction));
        registerServer(TESK_OSTRIM_MODULE);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unanswered: " << question << "\n" << testing::PrintToString(script::transcript());
            return IDCANCEL;
        });
    }

    // The page actions done as the script answers give them.
    void Do(const std::vector<std::string>& actions) {
        for (const std::string& action : actions) script::queue("Page", action);
        EXPECT_EQ(actions.size(), frame->View().Html().playScriptedActions());
    }

    // The certificate page's entries: caption and value.
    std::vector<std::pair<std::string, std::string>> Entries() {
        const std::string options = Html("MYCERT_LIST");
        static const std::regex option(R"re(<option value="([0-9]+)"[^>]*>([^<]*)</option>)re");
        std::vector<std::pair<std::string, std::string>> found;
        for (auto it = std::sregex_iterator(options.begin(), options.end(), option); it != std::sregex_iterator(); ++it)
            found.emplace_back((*it)[2].str(), (*it)[1].str());
        return found;
    }
};

TEST_P(WholeRenewal, TheQualifiedCertificateIsRenewedAndTheRequestNumberShown) {
    Do({"click:HOME_RENEW"});
    ASSERT_EQ("selcert_renew.htm", frame->View().PageName());
    const auto entries = Entries();
    ASSERT_EQ(1u, entries.size()) << "only the qualified certificate is renewable";
    EXPECT_EQ("(Q) Jan Novák", entries[0].first);

    Do({"select:MYCERT_LIST:" + entries[0].second, "set:RA_REVOKE_PASSWD:heslo123", "set:RA_REVOKE_PASSWD2:heslo123", "click:SELCERT_NEXT"});
    ASSERT_EQ("data_renew.htm", frame->View().PageName()) << testing::PrintToString(script::transcript());
    ASSERT_TRUE(Shown("RA_CERT_GOV_USAGE_INPUT")) << "a certificate without an identifier offers to add one";
    Do({"set:RA_NAME:Jan", "set:RA_SURNAME:Novák", "check:RA_GOVSK_CERT", "select:RA_TYPEID:IDC",
        "set:RA_NUMID:EA123456", "click:DATA_NEXT"});
    ASSERT_EQ("summary_renew.htm", frame->View().PageName()) << testing::PrintToString(script::transcript());
    EXPECT_EQ(renewal->qualified.csp->provider(), frame->Request(0).provider.name) << "the new key where the old one is";
    EXPECT_NE(std::string::npos, Html("RA_REQUEST_QC").find("-----BEGIN CERTIFICATE REQUEST-----"));
    // The new certificate's name carries the identifier; the applicant
    // agrees to it on the summary.
    const std::string request = openssl_request::verifiedText(frame->Request(0).requestText);
    EXPECT_NE(std::string::npos, request.find("self-signature verify OK")) << request;
    EXPECT_NE(std::string::npos, request.find("serialNumber=IDCSK-EA123456")) << request;
    openssl_request::expectSubjectStringTypes(frame->Request(0).requestText);
    EXPECT_EQ(0u, Html("RA_REQ_AGREEMENT_PAPERS").find("Žadatel souhlasí se zpracováním a shromažďováním osobních údajů"))
        << Html("RA_REQ_AGREEMENT_PAPERS");
    EXPECT_NE(std::string::npos, Html("RA_REQ_AGREEMENT_PAPERS").find("o výše uvedený identifikátor."));

    Do({"click:SUMMARY_SEND"});
    const auto got = server->requests();
    ASSERT_EQ(1u, got.size()) << testing::PrintToString(script::transcript()) << log();
    EXPECT_EQ("ok", got[0].verdict);
    ASSERT_EQ(1u, got[0].numbers.size());
    ASSERT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_NE(std::string::npos, Html("REQ_NOTE_SEND").find("<b>" + got[0].numbers[0].second + "</b>"));

    // The signed document asks for the identifier, in the schema's form.
    const std::string document = toUtf8(frame->Request(0).xmlDocument);
    const fs::path written = root.write("renewal.xml", document);
    const auto lint = testkit::run({"xmllint", "--noout", "--relaxng", HALVEX_RENEWAL_SCHEMA, written.string()});
    EXPECT_EQ(0, lint.exitCode) << lint.err << document;
    EXPECT_NE(std::string::npos,
              document.find("<AddSerialNumber>\n\t\t\t\t\t\tRekapitulace žádosti; Jedinečné jméno žadatele o certifikát "
                            "(DN); Sériové číslo (Serial Number): IDCSK-EA123456; Celé jméno (Common Name): Jan Novák; "
                            "Stát (Country): CZ; Doplnění identifikátoru; Typ identifikátoru: Číslo občanského průkazu; "
                            "Vystavovatel rodného čísla/doklad: SK; Číslo občanského průkazu: EA123456; Žadatel souhlasí"))
        << document;

    // The request pane names the finished request on its last page; back
    // on the home page, and on the load and error pages from there, it is
    // empty.
    auto& html = frame->View().Html();
    EXPECT_EQ(0u, html.statusText(halvex::kRequestPane).rfind("Žádost o vydání následného certifikátu: ", 0))
        << html.statusText(halvex::kRequestPane);
    while (frame->View().PageName() != "home.htm" && frame->View().CanGoBack()) frame->OnCommand(halvex::kCommandBack);
    ASSERT_EQ("home.htm", frame->View().PageName());
    EXPECT_EQ("", html.statusText(halvex::kRequestPane));
    Do({"click:HOME_LOAD"});
    ASSERT_EQ("selrequest.htm", frame->View().PageName());
    EXPECT_EQ("", html.statusText(halvex::kRequestPane));
    frame->OnCommand(halvex::kCommandBack);
    Follow("URL_REQ_QC");
    ASSERT_EQ("err_page.htm", frame->View().PageName());
    EXPECT_EQ("", html.statusText(halvex::kRequestPane));
}

INSTANTIATE_TEST_SUITE_P(KeyKinds, WholeRenewal,
                         testing::Values(testkit::CspKind::Software, testkit::CspKind::SoftHsmToken));

}  // namespace

// The wizard's last steps against testkit's renewal server: the requests of
// the summary signed through the real signer (a container under the
// qualified policy) and enrolment object (PKCS#7), sent, saved, loaded and
// sent again, refused and cut off, each road ending on the appendix.
#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <regex>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/profile.h"
#include "main_frame.h"
#include "pentak_lib.h"
#include "shell_fixture.h"
#include "testkit/csp.h"
#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "testkit/policy.h"
#include "testkit/renewal_body.h"
#include "testkit/renewal_server.h"
#include "testkit/user_stores.h"
#include "win32/com.h"
#include "working_files.h"

namespace {

using namespace shell_fixture;
using platform::text::fromUtf8;
using platform::text::toUtf8;
using platform::ui::PageAction;
namespace pki = testkit::pki;
namespace list = testkit::trusted_list;
namespace script = platform::ui::script;

constexpr char kHost[] = "renew.tesk.example";

testkit::HttpReply CrlReply(const pki::Crl& crl) {
    return testkit::HttpReply{.body = std::string(crl.der().begin(), crl.der().end())};
}

// A certificate whose key lies in a container of the software provider,
// in the user's "MY" store; the same certificate built again for the peers.
struct HeldCertificate {
    std::unique_ptr<testkit::TestCsp> csp;
    std::optional<pki::Credential> credential;
};

class RequestSending : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        setenv("APPDATA", (root.path() / "appdata").c_str(), 1);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment",
                                            halvex::kEnvironmentTest));
        WriteSigningInputs();
        qualified = Hold(pki::CertificateBuilder()
                             .subject({{"C", "CZ"}, {"CN", "Jan Novák"}})
                             .issuedBy(made.qualifiedCa)
                             .keyUsage(pki::kNonRepudiation | pki::kDigitalSignature)
                             .policies({{std::string(pki::kQualifiedPolicy)}})
                             .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                             .crlDistributionPoints({crls.url("/qualified-ca.crl")}),
                         "Jan Novák", u"qualified");
        commercial = Hold(pki::CertificateBuilder()
                              .subject({{"C", "CZ"}, {"CN", "Jan Novák (obchodní)"}})
                              .issuedBy(made.standardCa)
                              .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
                              .crlDistributionPoints({crls.url("/standard-ca.crl")}),
                          "Jan Novák (obchodní)", u"commercial");
        StartScriptedComponents();

        halvex::TAppData::Instance().SetConfigurationFolder(fromUtf8(config.string()));
        halvex::TLogFile::GetInstance().SetPath(fromUtf8(logFile.string()));
        halvex::TLogFile::GetInstance().Init(true, true);
        frame = std::make_unique<halvex::MainFrame>(u"Halvex");
        ASSERT_TRUE(frame->OnInitApp(u"halvex")) << testing::PrintToString(script::transcript());

        server = std::make_unique<testkit::RenewalServer>(made, qualified.credential->certificate, kHost);
        server->mapHost();
        halvex::TAppData::Instance().SetServerUrl(fromUtf8(server->url()));
    }

    void TearDown() override {
        frame.reset();
        server.reset();
        if (pentakObject) pentakObject->Release();
        qualified.csp.reset();
        commercial.csp.reset();
        CoUninitialize();
        halvex::TAppData::Instance().SetConfigurationFolder(u"");
        halvex::TAppData::Instance().SetServerUrl(u"");
        ShellTest::TearDown();
    }

    // The qualified policy and a trusted list naming it and the root, beside
    // the signer's plug-in; the hierarchy trusted by the user; the CRLs served.
    void WriteSigningInputs() {
        crls.route("/root.crl", CrlReply(pki::CrlBuilder(made.root).build()));
        crls.route("/standard-ca.crl", CrlReply(pki::CrlBuilder(made.standardCa).build()));
        crls.route("/qualified-ca.crl", CrlReply(pki::CrlBuilder(made.qualifiedCa).build()));
        testkit::addToUserStore(u"Root", made.root.certificate);
        testkit::addToUserStore(u"CA", made.qualifiedCa.certificate);
        testkit::addToUserStore(u"CA", made.standardCa.certificate);
        const fs::path folder = config / "libs" / "dll_conf";
        testkit::policy::SignaturePolicy policy;
        policy.signerTrust = {made.root.certificate};
        policy.issuerUri = "http://policies.tesk.example/qes.der";
        const testkit::Bytes policyDer = testkit::policy::encode(policy);
        testkit::writeFile(folder / "policyQES_1.der", std::string(policyDer.begin(), policyDer.end()));
        const std::string from = list::stamp(pki::fromNow(-std::chrono::hours(24)));
        const std::string later = list::stamp(pki::fromNow(std::chrono::hours(24 * 365)));
        const std::string text = list::listText({
            {"/l/signaturePolicy_" + from + ".der", policyDer, pki::Hash::Sha1, later, {{"OID", policy.oid}}},
            {"/l/trustedCertificate_" + from + ".der", made.root.certificate.der(), pki::Hash::Sha1, later,
             {{"OID", "1.2.3"}}},
        });
        list::writeContainer(folder / "TrustedList.kyd", list::signCms(text, made.commercial), from);
    }

    HeldCertificate Hold(pki::CertificateBuilder builder, const std::string& keyName, const std::u16string& container) {
        builder.serial({0x4A, static_cast<std::uint8_t>(container.size()), 0x17});
        HeldCertificate held;
        held.csp = std::make_unique<testkit::TestCsp>(testkit::CspKind::Software, root, container);
        PCCERT_CONTEXT context = held.csp->certificateWithKey(builder, keyName);
        EXPECT_NE(nullptr, context);
        testkit::addToUserStore(u"MY", context);
        held.credential = builder.key(pki::Key::rsa(2048, keyName)).build();
        EXPECT_EQ(held.credential->certificate.der(),
                  testkit::Bytes(context->pbCertEncoded, context->pbCertEncoded + context->cbCertEncoded));
        CertFreeCertificateContext(context);
        return held;
    }

    // The signer and the enrolment library each carry their own copy of the
    // layer, which reads its answers from the script file named when it
    // first shows something: the enrolment library's copy is started here
    // with its file, the signer's takes the other file when it confirms.
    void StartScriptedComponents() {
        platform::ui::backend();
        std::string confirmations;
        for (int n = 0; n < 3; ++n) confirmations += "Dialog check:246 Dialog 206:\nDialog press:6 Dialog 206:\n";
        const fs::path signerAnswers = root.write("signer-answers.txt", confirmations);
        const fs::path enrolmentAnswers = root.write("enrolment-answers.txt", "MessageBox IDOK\n" + pentakAnswers);
        setenv("PLATFORM_UI", ("script:" + enrolmentAnswers.string()).c_str(), 1);
        CLSID id{};
        ASSERT_EQ(S_OK, CLSIDFromString(fromUtf8(kEnrolmentClass).c_str(), &id));
        ASSERT_EQ(S_OK, CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IPentak,
                                         reinterpret_cast<void**>(&pentakObject)));
        pentakObject->Test();
        setenv("PLATFORM_UI", ("script:" + signerAnswers.string()).c_str(), 1);
    }

    // Prepared as the data check leaves them: a fresh PKCS#10 per request.
    void PrepareRequests(DWORD kind, bool authentication = false) {
        halvex::TCertRequest& first = frame->Request(0);
        first.kind = kind;
        first.requestText = fromUtf8(testkit::renewal::newRequestText("Jan Novák"));
        first.certificate.pem = fromUtf8(qualified.credential->certificate.pem());
        if (kind & halvex::kKindParvelPair) {
            halvex::TCertRequest& second = frame->Request(1);
            second.kind = halvex::kKindParvelPair;
            second.requestText = fromUtf8(testkit::renewal::newRequestText("Jan Novák (obchodní)"));
            second.certificate.pem = fromUtf8(commercial.credential->certificate.pem());
        }
        if (authentication) {
            halvex::TCertRequest& third = frame->Request(2);
            third.kind = halvex::kKindCommercial;
            third.requestText = fromUtf8(testkit::renewal::newRequestText("Jan Novák (autentizace)"));
        }
        frame->View().Go2Res(true, u"summary_renew.htm");
        ASSERT_EQ("summary_renew.htm", frame->View().PageName());
    }

    void Act(PageAction::Kind kind, const std::string& id, const std::string& value = {}) {
        std::string why;
        EXPECT_TRUE(frame->View().Html().perform(PageAction{kind, id, value}, &why)) << why;
    }
    void Click(const std::string& id) { Act(PageAction::Kind::Click, id); }
    // A command link as the page's own reference makes it.
    void Follow(const std::string& key) {
        frame->View().Html().navigate(platform::ui::resourceUrl(toUtf8(halvex::GetModulePath()), key));
    }
    // The load page, the file named, loaded: the review page follows.
    void Load(const fs::path& file) {
        frame->View().Go2Res(true, u"selrequest.htm");
        Act(PageAction::Kind::Set, "certrenewreq", file.string());
        Click("SELREQ_LOAD");
        ASSERT_EQ("sendcert_review.htm", frame->View().PageName());
    }
    std::string Html(const std::string& id) { return frame->View().Html().innerHtml(id).value_or("<missing>"); }
    bool Shown(const std::string& id) {
        return frame->View().Html().className(id).value_or("hidden_item").find("hidden_item") == std::string::npos;
    }
    // The certificate that signed a PKCS#7 block, as openssl reads it.
    std::string SignerOf(const std::string& block) {
        const fs::path in = root.write("block.pem", block);
        const fs::path signer = root.path() / "signer.pem";
        const auto run = testkit::run({"openssl", "cms", "-verify", "-inform", "PEM", "-in", in.string(), "-noverify",
                                       "-signer", signer.string(), "-out", "/dev/null"});
        EXPECT_EQ(0, run.exitCode) << run.err;
        return run.exitCode == 0 ? testkit::readFile(signer) : std::string();
    }
    std::vector<fs::path> WorkingFilesLeft() {
        std::vector<fs::path> left;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(root.path() / "appdata" / "Tesk", error))
            if (entry.path().filename() != "halvex.log") left.push_back(entry.path());
        return left;
    }

    std::string pentakAnswers = "Confirmation IDYES\nConfirmation IDYES\n";
    testkit::HttpServer crls;
    pki::Hierarchy made = pki::Hierarchy::make({.crlBaseUrl = crls.url("")});
    HeldCertificate qualified;
    HeldCertificate commercial;
    IPentak* pentakObject = nullptr;
    std::unique_ptr<testkit::RenewalServer> server;
    std::unique_ptr<halvex::MainFrame> frame;
};

// The authentication request's block follows the paired one's; the holder
// of the qualified certificate signs it.
TEST_F(RequestSending, APairIsSignedSentAndNumberedAndTheAppendixShowsTheNumber) {
    server->expect({{"Q-PV-SK", "S-PV", "S-PE"}, "zip"});
    PrepareRequests(halvex::kKindQualified | halvex::kKindParvelPair, true);
    Click("SUMMARY_SEND");

    const auto got = server->requests();
    ASSERT_EQ(1u, got.size()) << testing::PrintToString(script::transcript()) << log();
    EXPECT_EQ("ok", got[0].verdict);
    EXPECT_EQ("Halvex", got[0].userAgent);
    EXPECT_EQ("text/plain", got[0].contentType);
    // The container first, then the commercial and the authentication
    // request's PKCS#7 blocks.
    const std::string block = "-----BEGIN PKCS7-----\n[A-Za-z0-9+/=\r\n]+-----END PKCS7-----\n";
    const std::regex body("-----BEGIN Tesk Kyd-----\n[A-Za-z0-9+/=\n]+-----END Tesk Kyd-----\n" + block + block);
    EXPECT_TRUE(std::regex_match(got[0].body, body)) << got[0].body;
    ASSERT_EQ(3u, got[0].numbers.size());
    const std::size_t third = got[0].body.rfind("-----BEGIN PKCS7-----");
    EXPECT_EQ(qualified.credential->certificate.pem(), SignerOf(got[0].body.substr(third)));

    ASSERT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_EQ(halvex::SendState::Sent, frame->Outcome().sendState);
    EXPECT_EQ(fromUtf8(got[0].numbers[0].second), frame->Outcome().requestNumber);
    EXPECT_TRUE(Shown("REQ_SEND_B"));
    EXPECT_NE(std::string::npos, Html("REQ_NOTE_SEND").find("<b>" + got[0].numbers[0].second + "</b>"));
    EXPECT_FALSE(Shown("SUMMARY_SEND_COMMAND"));
    EXPECT_FALSE(Shown("REQ_SAVE_B"));
    // Every request took the same time stamp; no working file stays.
    EXPECT_EQ(14u, frame->Request(0).requestTimeStamp.size());
    EXPECT_EQ(frame->Request(0).requestTimeStamp, frame->Request(1).requestTimeStamp);
    EXPECT_TRUE(WorkingFilesLeft().empty());

    // The same request saved: the dialog offers the pair's name and filter.
    const fs::path saved = root.path() / "pair.req";
    script::queue("SaveFile", saved.string());
    Follow("URL_REQUEST_SAVE");
    const auto shown = script::transcript();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(std::string::npos, shown.back().find("req_" + toUtf8(frame->Request(0).requestTimeStamp) + "_parvel"))
        << shown.back();
    EXPECT_NE(std::string::npos, shown.back().find("Kyd + PKCS#7")) << shown.back();
    EXPECT_TRUE(testkit::readFile(saved) == got[0].body);
    EXPECT_TRUE(Shown("REQ_SAVE_B"));
    EXPECT_TRUE(Shown("REQ_SEND_B"));
}

TEST_F(RequestSending, ASavedRequestIsLoadedAndItsBytesReachTheServerUnchanged) {
    PrepareRequests(halvex::kKindQualified);
    const fs::path saved = root.path() / "saved" / "renewal.req";
    fs::create_directories(saved.parent_path());
    script::queue("SaveFile", saved.string());
    Click("SUMMARY_SAVE");
    ASSERT_EQ("appendix.htm", frame->View().PageName()) << testing::PrintToString(script::transcript()) << log();
    EXPECT_TRUE(server->requests().empty());
    // The dialog proposed the name made from the time stamp.
    const auto shown = script::transcript();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(std::string::npos, shown.back().find("req_" + toUtf8(frame->Request(0).requestTimeStamp) + "_qc"))
        << shown.back();
    EXPECT_TRUE(Shown("REQ_SAVE_B"));
    EXPECT_EQ(saved.string(), Html("REQ_FNAME"));
    EXPECT_FALSE(Shown("REQ_SEND_B"));
    const std::string file = testkit::readFile(saved);

    // A file's markup is shown as text on the review page, never followed.
    frame->OnCommand(halvex::kCommandHome);
    const fs::path hostile = root.write("hostile.req", "<a id=\"X\" href=\"URL_APP_EXIT\">Odeslat</a>\n");
    Load(hostile);
    EXPECT_EQ(std::string::npos, Html("RA_REQUEST").find("<a")) << Html("RA_REQUEST");
    EXPECT_NE(std::string::npos, Html("RA_REQUEST").find("&lt;a id="));
    EXPECT_FALSE(frame->View().Html().className("X").has_value());

    // The saved file loaded: shown line by line, sent unchanged.
    frame->OnCommand(halvex::kCommandHome);
    Load(saved);
    EXPECT_NE(std::string::npos, Html("RA_REQUEST").find("-----BEGIN Tesk Kyd-----<br"));
    EXPECT_EQ(0u, frame->Request(0).kind & halvex::kKindParvelPair);

    Click("REVIEW_SEND");
    const auto got = server->requests();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ("ok", got[0].verdict);
    EXPECT_TRUE(got[0].body == file);
    EXPECT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_EQ(fromUtf8(got[0].numbers.at(0).second), frame->Outcome().requestNumber);
}

TEST_F(RequestSending, ARefusalAndACutConnectionEndOnTheAppendixWithTheResendLink) {
    PrepareRequests(halvex::kKindQualified);
    server->answer(testkit::RenewalReply::Refusal);
    Click("SUMMARY_SEND");
    ASSERT_EQ("appendix.htm", frame->View().PageName()) << log();
    EXPECT_EQ(halvex::SendState::Failed, frame->Outcome().sendState);
    const std::string refusal = toUtf8(frame->Outcome().requestNumber);
    EXPECT_TRUE(refusal.starts_with("Request denied. Code: 503 : ")) << refusal;
    // The server's text is shown as text: its markup never reaches the page.
    const std::string error = Html("REQ_NOTE_SEND_ERROR");
    EXPECT_EQ(std::string::npos, error.find('<')) << error;
    EXPECT_NE(std::string::npos, error.find("&lt;")) << error;
    EXPECT_TRUE(Shown("REQ_SEND_B"));
    EXPECT_EQ("<a href=\"URL_REQUEST_SEND\">Odeslat žádost znovu</a><br>", Html("SUMMARY_SEND_COMMAND"));

    // The resend link, over a connection the server resets.
    server->answer(testkit::RenewalReply::Reset);
    Follow("URL_REQUEST_SEND");
    EXPECT_EQ(2u, server->requests().size());
    EXPECT_EQ(halvex::SendState::Failed, frame->Outcome().sendState);
    EXPECT_TRUE(toUtf8(frame->Outcome().requestNumber).starts_with("Error in HTTPS connection.\n"))
        << toUtf8(frame->Outcome().requestNumber);
    EXPECT_EQ("appendix.htm", frame->View().PageName());

    // The request can still be saved, and sent again with success.
    const fs::path saved = root.path() / "after-failure.req";
    script::queue("SaveFile", saved.string());
    Follow("URL_REQUEST_SAVE");
    EXPECT_TRUE(Shown("REQ_SAVE_B"));
    server->answer(testkit::RenewalReply::Numbers);
    Follow("URL_REQUEST_SEND");
    const auto got = server->requests();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ("ok", got[2].verdict);
    EXPECT_TRUE(got[2].body == testkit::readFile(saved));
    EXPECT_EQ(halvex::SendState::Sent, frame->Outcome().sendState);
}

class RequestSigningRefused : public RequestSending {
protected:
    void SetUp() override {
        pentakAnswers = "Confirmation IDNO\n";
        RequestSending::SetUp();
    }
};

// A signature the user refuses is no signature: the error is shown, nothing
// is sent, the summary stays and no working file is left behind.
TEST_F(RequestSigningRefused, NothingIsSentAndTheSummaryStays) {
    PrepareRequests(halvex::kKindQualified | halvex::kKindParvelPair);
    script::queue("MessageBox", "IDOK", "Chyba při podepisování žádosti");
    Click("SUMMARY_SEND");
    EXPECT_TRUE(server->requests().empty());
    EXPECT_EQ("summary_renew.htm", frame->View().PageName());
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
    EXPECT_TRUE(WorkingFilesLeft().empty());
}

// The working files: fresh random names, only for their owner, gone with
// the pair; a name that exists already is never opened again.
TEST(WorkingFiles, AreCreatedExclusivelyForTheOwnerAndRemoved) {
    testkit::PlatformRoot root;
    setenv("APPDATA", root.path().c_str(), 1);
    fs::path text, container;
    {
        const halvex::WorkingFiles files;
        ASSERT_TRUE(files.Created());
        text = files.Text();
        container = files.Container();
        EXPECT_TRUE(std::regex_match(text.stem().string(), std::regex("[0-9A-Ya-y]{15,29}")));
        EXPECT_EQ(text.stem(), container.stem());
        struct stat status{};
        ASSERT_EQ(0, ::stat(text.c_str(), &status));
        EXPECT_EQ(0600u, status.st_mode & 0777);
        ASSERT_EQ(0, ::stat(text.parent_path().c_str(), &status));
        EXPECT_EQ(0700u, status.st_mode & 0777);
        const halvex::WorkingFiles other;
        EXPECT_NE(text, other.Text());
    }
    EXPECT_FALSE(fs::exists(text));
    EXPECT_FALSE(fs::exists(container));
}

}  // namespace

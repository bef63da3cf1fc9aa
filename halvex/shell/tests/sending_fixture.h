// The program in-process ready for the wizard's last steps: the signer's
// policy, trusted list and CRLs, the user's qualified and commercial
// certificates with their keys in the software provider (the qualified one
// on a SoftHSM2 token when the test asks for it), the enrolment
// library's and the signer's answers from script files, and testkit's
// renewal server under the test environment's host name.
#pragma once

#include <gtest/gtest.h>

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
#include "testkit/signing_inputs.h"
#include "testkit/renewal_body.h"
#include "testkit/renewal_server.h"
#include "testkit/user_stores.h"
#include "win32/com.h"


namespace sending_fixture {


using namespace shell_fixture;
using platform::text::fromUtf8;
using platform::text::toUtf8;
using platform::ui::PageAction;
namespace pki = testkit::pki;
namespace script = platform::ui::script;

inline constexpr char kHost[] = "renew.tesk.example";

// A certificate whose key lies in a container of the software provider or
// on a token, in the user's "MY" store.
struct HeldCertificate {
    std::unique_ptr<testkit::TestCsp> csp;
    std::optional<pki::Certificate> certificate;
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
                         "Jan Novák", u"qualified", qualifiedKind);
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

        server = std::make_unique<testkit::RenewalServer>(made, *qualified.certificate, kHost);
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
        testkit::writeQualifiedSigningInputs(made, crls, config / "libs" / "dll_conf");
    }

    HeldCertificate Hold(pki::CertificateBuilder builder, const std::string& keyName, const std::u16string& container,
                         testkit::CspKind kind = testkit::CspKind::Software) {
        builder.serial({0x4A, static_cast<std::uint8_t>(container.size()), 0x17});
        HeldCertificate held;
        held.csp = std::make_unique<testkit::TestCsp>(kind, root, container);
        PCCERT_CONTEXT context = held.csp->certificateWithKey(builder, keyName);
        EXPECT_NE(nullptr, context);
        if (!context) return held;
        testkit::addToUserStore(u"MY", context);
        held.certificate = pki::Certificate::fromDer(
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
        for (int n = 0; n < 3; ++n)
            confirmations += "Dialog check:246 Dialog 206:\nDialog press:6 Dialog 206:\n" + signerPins;
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
        first.certificate.pem = fromUtf8(qualified.certificate->pem());
        if (kind & halvex::kKindParvelPair) {
            halvex::TCertRequest& second = frame->Request(1);
            second.kind = halvex::kKindParvelPair;
            second.requestText = fromUtf8(testkit::renewal::newRequestText("Jan Novák (obchodní)"));
            second.certificate.pem = fromUtf8(commercial.certificate->pem());
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
    std::string signerPins;  // the signer's answer to a card provider's PIN prompt after each confirmation
    testkit::CspKind qualifiedKind = testkit::CspKind::Software;
    testkit::HttpServer crls;
    pki::Hierarchy made = pki::Hierarchy::make({.crlBaseUrl = crls.url("")});
    HeldCertificate qualified;
    HeldCertificate commercial;
    IPentak* pentakObject = nullptr;
    std::unique_ptr<testkit::RenewalServer> server;
    std::unique_ptr<halvex::MainFrame> frame;
};

}  // namespace sending_fixture

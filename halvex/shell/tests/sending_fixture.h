// The program in-process ready for the wizard's last steps: testkit's
// qualified renewal (the signer's policy, trusted list and CRLs, the
// user's qualified certificate with its key in the software provider or on
// a SoftHSM2 token when the test asks for it, the renewal server under the
// test environment's host name), a commercial certificate beside it, and
// the enrolment library's and the signer's answers from script files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string_view>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/profile.h"
#include "main_frame.h"
#include "pentak_lib.h"
#include "shell_fixture.h"
#include "testkit/csp.h"
#include "testkit/pki.h"
#include "testkit/qualified_renewal.h"
#include "testkit/renewal_body.h"
#include "win32/com.h"

namespace sending_fixture {

using namespace shell_fixture;
using platform::text::fromUtf8;
using platform::text::toUtf8;
using platform::ui::PageAction;
namespace pki = testkit::pki;
namespace script = platform::ui::script;

inline constexpr char kHost[] = "renew.tesk.example";

// The labels of the armoured blocks a sent body is made of, in order
// ("-----BEGIN <label>-----", base64 lines, "-----END <label>-----", each
// line ended by a line feed, a carriage return allowed before it); empty
// when anything else stands in the body. A scan, not a regular expression,
// whose matcher recurses once per character of a long block.
inline std::vector<std::string> ArmouredBlocks(std::string_view body) {
    std::vector<std::string> labels;
    const auto isBase64 = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
               c == '=';
    };
    while (!body.empty()) {
        constexpr std::string_view kBegin = "-----BEGIN ";
        const std::size_t labelEnd = body.find("-----\n");
        if (body.substr(0, kBegin.size()) != kBegin || labelEnd == std::string_view::npos) return {};
        const std::string label(body.substr(kBegin.size(), labelEnd - kBegin.size()));
        const std::string end = "-----END " + label + "-----\n";
        const std::size_t endAt = body.find(end);
        if (endAt == std::string_view::npos || endAt == labelEnd + 6) return {};
        const std::string_view lines = body.substr(labelEnd + 6, endAt - labelEnd - 6);
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (!isBase64(lines[i]) && lines[i] != '\n' && !(lines[i] == '\r' && i + 1 < lines.size() && lines[i + 1] == '\n'))
                return {};
        if (lines.back() != '\n') return {};
        labels.push_back(label);
        body.remove_prefix(endAt + end.size());
    }
    return labels;
}

class RequestSending : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        setenv("APPDATA", (root.path() / "appdata").c_str(), 1);
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment",
                                            halvex::kEnvironmentTest));
        renewal = std::make_unique<testkit::QualifiedRenewal>(root, config, kHost, qualifiedKind);
        server = &renewal->server;
        const auto& made = renewal->made;
        commercial = testkit::holdCertificate(root,
                                              pki::CertificateBuilder()
                                                  .subject({{"C", "CZ"}, {"CN", "Jan Novák (obchodní)"}})
                                                  .issuedBy(made.standardCa)
                                                  .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
                                                  .crlDistributionPoints({renewal->crls.url("/standard-ca.crl")}),
                                              "Jan Novák (obchodní)", u"commercial");
        StartScriptedComponents();

        halvex::TAppData::Instance().SetConfigurationFolder(fromUtf8(config.string()));
        halvex::TLogFile::GetInstance().SetPath(fromUtf8(logFile.string()));
        halvex::TLogFile::GetInstance().Init(true, true);
        frame = std::make_unique<halvex::MainFrame>(u"Halvex");
        ASSERT_TRUE(frame->OnInitApp(u"halvex")) << testing::PrintToString(script::transcript());
        halvex::TAppData::Instance().SetServerUrl(fromUtf8(server->url()));
    }

    void TearDown() override {
        frame.reset();
        if (pentakObject) pentakObject->Release();
        commercial.csp.reset();
        renewal.reset();
        CoUninitialize();
        halvex::TAppData::Instance().SetConfigurationFolder(u"");
        halvex::TAppData::Instance().SetServerUrl(u"");
        ShellTest::TearDown();
    }

    // The signer and the enrolment library each carry their own copy of the
    // layer, which reads its answers from the script file named when it
    // first shows something: the enrolment library's copy is started here
    // with its file, the signer's takes the other file when it confirms.
    void StartScriptedComponents() {
        platform::ui::backend();
        std::string confirmations;
        for (int n = 0; n < 3; ++n) confirmations += signerConfirmation + signerPins;
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
        first.certificate.pem = fromUtf8(renewal->qualified.certificate->pem());
        if (kind & (halvex::kKindParvelPair | halvex::kKindLawyerCardPair)) {
            halvex::TCertRequest& second = frame->Request(1);
            second.kind = (kind & halvex::kKindLawyerCardPair) ? halvex::kKindCommercial | halvex::kKindLawyerCardPair
                                                                : halvex::kKindParvelPair;
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

    std::string pentakAnswers = "Dialog press:6 Dialog 102:\nDialog press:6 Dialog 102:\n";
    // The signer's confirmation: the content agreement ticked, Yes pressed.
    std::string signerConfirmation = "Dialog check:246 Dialog 206:\nDialog press:6 Dialog 206:\n";
    std::string signerPins;  // the signer's answer to a card provider's PIN prompt after each confirmation
    testkit::CspKind qualifiedKind = testkit::CspKind::Software;
    std::unique_ptr<testkit::QualifiedRenewal> renewal;  // the qualified certificate and the server
    testkit::RenewalServer* server = nullptr;
    testkit::HeldCertificate commercial;
    IPentak* pentakObject = nullptr;
    std::unique_ptr<halvex::MainFrame> frame;
};

}  // namespace sending_fixture

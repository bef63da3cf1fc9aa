// The container road's confirmation as the user sees it, through the
// script backend: Yes follows the two agreements (the policy's only while
// a policy is loaded), showing the document through the signing operation
// ticks the content agreement, the MIME text shows in its own dialog, a click
// on the policy line shows the policy held in its viewer, the signing
// certificate's line with its expiry warning and the document's digest,
// clicks on the certificate and the path, and the document check's state
// has its colour.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "certificate_support.h"
#include "dialog_transcript.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "sign_enc_dlg.h"
#include "sign_enc_kyd_dlg.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

using dialog_transcript::contains;
using dialog_transcript::control;

namespace pki = testkit::pki;

// A signer whose remembered signing certificate a test sets.
class KydSigner : public TSignerKyd {
public:
    void remember(const pki::Certificate& certificate) {
        m_certs.AddCertificate(1, certificate_support::infoOf(certificate), false);
    }
};

// The signing operation's side: the document is seen when asked.
class Actions : public KydConfirmationActions {
public:
    bool ShowDocument(HWND) override {
        ++documentsShown;
        return true;
    }
    bool ChooseSigningCertificate(HWND) override { return choose && choose(); }
    int documentsShown = 0;
    std::function<bool()> choose;
};

class SignEncKydDialog : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
        script::onUnanswered([](const std::string& question) {
            ADD_FAILURE() << "unexpected question: " << question;
            return IDCANCEL;
        });
        signer.SetCfgLanguageNumber(2);
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    void loadPolicy() {
        const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
        const auto file = root.write("policy.der", std::string(der.begin(), der.end()));
        ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(file))) << signer.GetLastErrorStr();
    }

    INT_PTR show(int checkState = 0, DWORD options = kConfirmSign, ALG_ID hashAlgorithm = 0) {
        TSignEncKydDlg dialog(signer, actions, documents, options, hashAlgorithm, checkState, "checked", "Mirelo");
        return dialog.Show(nullptr);
    }

    testkit::PlatformRoot root;
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    KydSigner signer;
    Actions actions;
    std::vector<SignJobDocument> documents{{"/data/contract.txt", {'a', 'b'}}};
};

TEST_F(SignEncKydDialog, YesIsEnabledOnlyWhileBothAgreementsAreTicked) {
    loadPolicy();
    script::queue("Dialog", "check:246");
    script::queue("Dialog", "check:244");
    script::queue("Dialog", "check:244");
    script::queue("Dialog", "check:246");
    script::queue("Dialog", "press:7");
    EXPECT_EQ(IDNO, show());

    const auto lines = script::transcript();
    ASSERT_EQ(5u, lines.size());
    // At start the policy is agreed to and shown, the content is not.
    EXPECT_TRUE(contains(lines[0], "Dialog 206: Confirmation |")) << lines[0];
    EXPECT_TRUE(contains(control(lines[0], 244), "checked")) << lines[0];
    EXPECT_FALSE(contains(control(lines[0], 246), "checked")) << lines[0];
    EXPECT_TRUE(contains(control(lines[0], 6), "disabled")) << lines[0];
    EXPECT_TRUE(contains(control(lines[0], 245), "Tesk Policy Office")) << lines[0];
    EXPECT_TRUE(contains(control(lines[0], 257), testkit::policy::SignaturePolicy{}.oid)) << lines[0];
    EXPECT_TRUE(contains(control(lines[0], 247), "\"/data/contract.txt\"")) << lines[0];
    // Both ticked: Yes.
    EXPECT_FALSE(contains(control(lines[1], 6), "disabled")) << lines[1];
    // The policy unticked, then ticked again with the content unticked.
    EXPECT_TRUE(contains(control(lines[2], 6), "disabled")) << lines[2];
    EXPECT_FALSE(contains(control(lines[3], 6), "disabled")) << lines[3];
    EXPECT_TRUE(contains(control(lines[4], 6), "disabled")) << lines[4];
}

TEST_F(SignEncKydDialog, WithoutAPolicySeeingTheDocumentIsTheAgreementYesNeedsAndItsMimeTextShows) {
    script::queue("Dialog", "press:241");
    script::queue("Dialog", "press:1");
    script::queue("Dialog", "press:242");
    script::queue("Dialog", "press:6");
    EXPECT_EQ(IDYES, show());
    EXPECT_EQ(1, actions.documentsShown);

    const auto lines = script::transcript();
    ASSERT_EQ(4u, lines.size());
    for (const int id : {244, 243, 258, 257, 259}) EXPECT_TRUE(contains(control(lines[0], id), "hidden")) << id;
    EXPECT_TRUE(contains(control(lines[0], 6), "disabled")) << lines[0];
    EXPECT_TRUE(contains(lines[1], "Dialog 200: MIME encoded document |")) << lines[1];
    EXPECT_EQ("254 richedit \"ab\"", control(lines[1], 254)) << lines[1];
    EXPECT_TRUE(contains(control(lines[3], 246), "checked")) << lines[3];
    EXPECT_FALSE(contains(control(lines[3], 6), "disabled")) << lines[3];
}

// The viewer shows the policy the signer loaded, though its file is gone,
// and OK there leads back to the confirmation as it was.
TEST_F(SignEncKydDialog, ClickingThePolicyLineShowsThePolicyHeldThenTheConfirmationAgain) {
    loadPolicy();
    std::filesystem::remove(root.path() / "policy.der");
    script::queue("Dialog", "press:245");
    script::queue("Dialog", "press:1");
    script::queue("Dialog", "press:7");
    EXPECT_EQ(IDNO, show());

    const auto lines = script::transcript();
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(contains(lines[1], "Dialog 214: Signature policy | 239 tree \"\"\n  \"Signature Policy\" expanded"))
        << lines[1];
    EXPECT_TRUE(contains(lines[1], testkit::policy::SignaturePolicy{}.oid)) << lines[1];
    EXPECT_TRUE(contains(lines[1], "Tesk Policy Office")) << lines[1];
    EXPECT_EQ(lines[0], lines[2]);
}

TEST_F(SignEncKydDialog, TheDocumentChecksStateIsGreenBlueOrRed) {
    const std::pair<int, std::string> cases[] = {{0, "#008000"}, {1, "#0000FF"}, {2, "#FF0000"}, {-1, "#FF0000"}};
    for (const auto& [state, color] : cases) {
        SCOPED_TRACE(state);
        script::clear();
        script::queue("Dialog", "press:7");
        EXPECT_EQ(IDNO, show(state));
        const auto lines = script::transcript();
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ("250 static \"checked\" color " + color, control(lines[0], 250));
    }
}

// With a signing certificate 29 days from its end: its line, the expiry
// line in red, the digest of the document with the algorithm the signing
// operation chose, "..." disabled for a fixed signer; a click on the line
// shows the certificate and one on the path opens the document.
TEST_F(SignEncKydDialog, TheSigningCertificateItsExpiryAndTheDigestShowAndClicksOpenTheCertificateAndTheDocument) {
    const pki::Instant now = pki::utc("2026-06-10T12:00:00Z");
    platform::clock::setForTests(static_cast<ULONGLONG>(now.time_since_epoch().count()) * 10000000ull +
                                 platform::clock::kUnixEpochAsFileTime);
    const pki::Hierarchy hierarchy = pki::Hierarchy::make();
    const pki::Credential ending = certificate_support::userIssuedBy(hierarchy.qualifiedCa, "Ending Soon")
                                       .keyUsage(pki::kNonRepudiation)
                                       .policies({{std::string(pki::kQualifiedPolicy)}})
                                       .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
                                       .validity(now - std::chrono::hours(24 * 300), now + std::chrono::hours(24 * 29))
                                       .build();
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_NE(nullptr, my);
    certificate_support::addCertificate(my, ending.certificate, u"Microsoft Enhanced Cryptographic Provider v1.0");
    CertCloseStore(my, 0);
    signer.remember(ending.certificate);
    documents.front().bytes = {'S', 'm', 'l', 'o', 'u', 'v', 'a', '\r', '\n', 0xFF};
    const auto document = root.write("document.bin", std::string(documents.front().bytes.begin(), documents.front().bytes.end()));
    documents.front().name = platform::paths::toAnsi(document);
    const auto digest = testkit::run({"openssl", "dgst", "-sha384", "-r", document.string()});
    ASSERT_EQ(0, digest.exitCode) << digest.err;
    std::string grouped;
    for (std::size_t i = 0; i < 96; i += 4) grouped += (i ? " " : "") + digest.out.substr(i, 4);
    for (char& c : grouped) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    const auto opened = root.path() / "opened";
    const auto stub = root.write("bin/open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + opened.string() + "\"\n");
    std::filesystem::permissions(stub, std::filesystem::perms::owner_all);
    const ScopedEnv opener{"PLATFORM_OPEN_COMMAND", stub.string()};
    const ScopedEnv withCertificateDialogs{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR ":" TESK_CRYPTUI_DIR};
    script::queue("Dialog", "press:224");
    script::queue("ViewCertificate", "IDOK");
    script::queue("Dialog", "press:247");
    script::queue("Dialog", "press:7");
    EXPECT_EQ(IDNO, show(0, kConfirmSign | kConfirmIncludesCertificates | kConfirmFixedSigner, CALG_SHA_384));
    platform::clock::setForTests(std::nullopt);

    const auto lines = script::transcript();
    ASSERT_EQ(4u, lines.size());
    const std::string& shown = lines[0];
    EXPECT_TRUE(contains(control(shown, 218), "\"Sign by the certificate included in the signed message:\"")) << shown;
    EXPECT_TRUE(contains(control(shown, 224), "Ending Soon")) << shown;
    EXPECT_TRUE(contains(control(shown, 221), "disabled")) << shown;
    const std::string expiry = control(shown, 238);
    EXPECT_TRUE(contains(expiry, "29")) << expiry;
    EXPECT_TRUE(contains(expiry, "renew your certificate\" color #FF0000")) << expiry;
    EXPECT_TRUE(contains(control(shown, 210), "sha384")) << shown;
    EXPECT_EQ("212 richedit \"" + grouped + "\"", control(shown, 212));
    EXPECT_EQ(grouped, documents.front().hashText);
    EXPECT_TRUE(contains(lines[1], "Ending Soon")) << lines[1];
    EXPECT_EQ(document.string(), testkit::readFile(opened));
}

// "..." lets the signing operation choose another certificate: the line
// and its expiry follow the new one; a choice given up changes nothing.
TEST_F(SignEncKydDialog, AnotherSigningCertificateChosenReplacesTheLineAndItsExpiry) {
    const pki::Hierarchy hierarchy = pki::Hierarchy::make();
    const auto make = [&](const std::string& name, int daysLeft) {
        const pki::Instant now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        return certificate_support::userIssuedBy(hierarchy.qualifiedCa, name)
            .keyUsage(pki::kNonRepudiation)
            .policies({{std::string(pki::kQualifiedPolicy)}})
            .qcStatements({{std::string(pki::kQcCompliance)}, {std::string(pki::kQcSscd)}})
            .validity(now - std::chrono::hours(24 * 300), now + std::chrono::hours(24 * daysLeft))
            .build();
    };
    const pki::Credential ending = make("Ending Soon", 10);
    const pki::Credential renewed = make("Freshly Renewed", 700);
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"MY");
    ASSERT_NE(nullptr, my);
    for (const pki::Credential* credential : {&ending, &renewed})
        certificate_support::addCertificate(my, credential->certificate,
                                            u"Microsoft Enhanced Cryptographic Provider v1.0");
    CertCloseStore(my, 0);
    signer.remember(ending.certificate);
    int asked = 0;
    actions.choose = [&] {
        if (++asked == 1) return false;
        signer.remember(renewed.certificate);
        return true;
    };
    script::queue("Dialog", "press:221");
    script::queue("Dialog", "press:221");
    script::queue("Dialog", "press:7");
    EXPECT_EQ(IDNO, show(0, kConfirmSign));
    EXPECT_EQ(2, asked);

    const auto lines = script::transcript();
    ASSERT_EQ(3u, lines.size());
    for (const std::size_t i : {0u, 1u}) {
        EXPECT_TRUE(contains(control(lines[i], 224), "Ending Soon")) << lines[i];
        EXPECT_TRUE(contains(control(lines[i], 238), "color #FF0000")) << lines[i];
    }
    EXPECT_TRUE(contains(control(lines[2], 224), "Freshly Renewed")) << lines[2];
    EXPECT_FALSE(contains(control(lines[2], 224), "Ending Soon")) << lines[2];
    EXPECT_FALSE(contains(control(lines[2], 238), "#FF0000")) << lines[2];
}

}  // namespace

// The container road's confirmation as the user sees it, through the
// script backend: Yes follows the two agreements (the policy's only while
// a policy is loaded), showing the document through the signing operation
// ticks the content agreement, the MIME text shows in its own dialog, a click
// on the policy line shows the policy held in its viewer, and the document
// check's state has its colour.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog_transcript.h"
#include "platform/ui.h"
#include "sign_enc_dlg.h"
#include "sign_enc_kyd_dlg.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

using dialog_transcript::contains;
using dialog_transcript::control;

// The signing operation's side: the document is seen when asked.
class Actions : public KydConfirmationActions {
public:
    bool ShowDocument(HWND) override {
        ++documentsShown;
        return true;
    }
    bool ChooseSigningCertificate(HWND) override { return false; }
    int documentsShown = 0;
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
        ASSERT_TRUE(signer.SetSignPolicyFile(file.string())) << signer.GetLastErrorStr();
    }

    INT_PTR show(int checkState = 0) {
        TSignEncKydDlg dialog(signer, actions, documents, kConfirmSign, 0, checkState, "checked", "Mirelo");
        return dialog.Show(nullptr);
    }

    testkit::PlatformRoot root;
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    TSignerKyd signer;
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

}  // namespace

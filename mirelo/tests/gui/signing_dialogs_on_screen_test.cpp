// The container road's dialogs on an X server of the test's own, each in a
// GTK window left as a screenshot in the artifacts folder and answered
// with keys: the MIME text (template 200) closed by Enter, the charset
// choice (202) confirmed by Enter, and the container confirmation (206)
// with a loaded policy, whose policy line, clicked with the mouse, opens the
// policy viewer over it, answered No by its mnemonic.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "mime_enc_dlg.h"
#include "platform/paths.h"
#include "sign_enc_dlg.h"
#include "sign_enc_kyd_dlg.h"
#include "signer_kyd.h"
#include "testkit/dialog_layout.h"
#include "testkit/platform_root.h"
#include "testkit/policy.h"
#include "testkit/process.h"
#include "testkit/scoped_env.h"
#include "testkit/screen_user.h"
#include "win32/ui.h"

namespace {

class NoActions : public KydConfirmationActions {
public:
    bool ShowDocument(HWND) override { return false; }
    bool ChooseSigningCertificate(HWND) override { return false; }
};

TEST(SigningDialogsOnScreen, MimeTextCharsetChoiceAndContainerConfirmationAnswerTheKeyboard) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::PlatformRoot root;
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    const auto der = testkit::policy::encode(testkit::policy::SignaturePolicy{});
    const auto policy = root.write("policy.der", std::string(der.begin(), der.end()));

    testkit::ScreenUser user;
    TSignerKyd signer;
    ASSERT_TRUE(signer.SetCfgLanguageNumber(2));
    ASSERT_TRUE(signer.SetSignPolicyFile(platform::paths::toAnsi(policy))) << signer.GetLastErrorStr();

    const std::string mime =
        "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: filename=\"smlouva.txt\"\r\n\r\nU21sb3V2YSBvIGTDrWxv\r\n";
    const auto showMime = [&] { return TMimeEncDlg(mime).Show(nullptr); };
    EXPECT_EQ(IDOK, user.answered("MIME encoded document", "Return", showMime,
                                  {"mirelo-mime-text", {"MIME-Version: 1.0", "Content-Disposition: filename=\"smlouva.txt\"",
                                                        "U21sb3V2YSBvIGTDrWxv"}}));

    const auto chooseCharset = [&] { return signer.SelectSignCharset(); };
    EXPECT_TRUE(user.answered("Character set of the signing document", "Return", chooseCharset,
                              {"mirelo-charset-choice", {"Select the character set used by signing document.", "UTF-8"}}));
    EXPECT_EQ(0, signer.GetLastErrorNumber());

    NoActions actions;
    std::vector<SignJobDocument> documents{{"/data/smlouva.txt", {'S', 'm', 'l', 'o', 'u', 'v', 'a'}}};
    auto clicker = std::async(std::launch::async, [&] {
        const std::string window = testkit::findWindow("Confirmation");
        ASSERT_FALSE(window.empty()) << "no confirmation came";
        // The policy's issuer line, where the dialog's layout put it.
        constexpr int kPolicyIssuer = 245;
        const RECT line = testkit::placeInDialog(testkit::shownDialog("Confirmation"), kPolicyIssuer);
        const auto clicked = testkit::run({"xdotool", "mousemove", "--window", window, std::to_string(line.left + 19),
                                           std::to_string((line.top + line.bottom) / 2), "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
        // The viewer stands over the confirmation it was opened from.
        const std::string viewer = testkit::findWindow("Signature policy");
        ASSERT_FALSE(viewer.empty()) << "no viewer came";
        const auto transient = testkit::run({"xprop", "-id", viewer, "WM_TRANSIENT_FOR"});
        const auto hex = transient.out.find("# 0x");
        ASSERT_NE(std::string::npos, hex) << transient.out << transient.err;
        EXPECT_EQ(std::stoul(window), std::stoul(transient.out.substr(hex + 2), nullptr, 16)) << transient.out;
        user.answer("Signature policy", "Return", {"mirelo-policy-from-confirmation",
                                                        {"Policy Identification - Electronic signature policy",
                                                         "Application of Policy - Test signatures"}});
        user.answer("Confirmation", "alt+n", {"mirelo-container-confirmation", {"/data/smlouva.txt", "Valid"}});
    });
    EXPECT_EQ(IDNO, TSignEncKydDlg(signer, actions, documents, kConfirmSign, 0, 0, "Valid", "Mirelo").Show(nullptr));
    clicker.get();
    EXPECT_EQ(0, signer.GetLastErrorNumber()) << "the viewer ended by OK";
}

}  // namespace

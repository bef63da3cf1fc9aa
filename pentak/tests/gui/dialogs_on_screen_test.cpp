// The enrolment library's windows on screen, answered by key presses (the
// access keys of the GUI language's labels, the lists' keyboard, Escape),
// each leaving a screenshot as an artifact: the sign confirmation and the
// card choice by themselves, the signer's name in the sign dialog as a
// link, and through a session's own members CryptUI's
// selection and view of the user's certificate, the message signed after
// the confirmation, and the question before a key container is deleted.
#include <gtest/gtest.h>

#include <future>
#include <optional>

#include "testkit/scoped_env.h"
#include "../pentak_support.h"
#include "enroll.h"
#include "known_providers.h"
#include "pentak_resource.h"
#include "select_card_dialog.h"
#include "sign_dialog.h"
#include "stores.h"
#include "testkit/csp.h"
#include "testkit/dialog_layout.h"
#include "testkit/process.h"
#include "testkit/screen_pixels.h"
#include "testkit/screen_user.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

using namespace pentak_test;

// The signer's name is a dark blue link, underlined under the pointer,
// whose click shows the certificate over the dialog; Escape then ends the
// dialog with Cancel.
void ShowsTheSignerByADarkBlueLinkToTheCertificate(testkit::ScreenUser& user, const pki::Certificate& signer) {
    const ScopedEnv modules("PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR);
    TSignDlg sign(wide(signer.pem()), u"a94a 8fe5 ccb1 9ba6 1c4c", u"SHA-1", u"Převod 1 000 Kč", u"");
    auto person = std::async(std::launch::async, [&] {
        testkit::pointerTo("", 1200, 1000);
        const std::string window = testkit::findWindow("Potvrzení");
        ASSERT_FALSE(window.empty()) << "no sign dialog came";
        constexpr int kCertificateLink = 205;
        const RECT link = testkit::placeInDialog(testkit::shownDialog("Potvrzení"), kCertificateLink);
        const auto line =
            testkit::windowRegion(window).part(link.left, link.top, link.right - link.left, link.bottom - link.top);
        const auto darkBlue = [&](const auto& shot, const auto&) {
            return testkit::pixelsNear(shot, "#0000C0", line) > 20 ? "" : "the signer's name is not dark blue";
        };
        std::filesystem::path plain;
        EXPECT_NO_THROW(plain = user.screen().screenshotShowing("pentak-sign-dialog", window, darkBlue));

        testkit::pointerTo(window, link.left + 10, (link.top + link.bottom) / 2);
        const auto underlined = [&](const auto& shot, const auto&) {
            return testkit::differentPixels(plain, shot, line) > 10 ? "" : "not underlined under the pointer";
        };
        EXPECT_NO_THROW(user.screen().screenshotShowing("pentak-sign-dialog-hovered", window, underlined));

        const auto clicked = testkit::run({"xdotool", "click", "1"});
        EXPECT_EQ(0, clicked.exitCode) << clicked.err;
        user.answer("Certifikát", "Return", {"pentak-sign-dialog-certificate", {"Jiří Dvořák"}});
        user.answer("Potvrzení", "Escape", {"", {"Převod 1 000 Kč"}});
    });
    EXPECT_EQ(IDCANCEL, sign.DoModal(nullptr));
    person.get();
}

class DialogsOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SCREEN();
        m_user.emplace();
    }
    void TearDown() override { TPentakResource::ReleaseInstance(); }

    std::optional<testkit::ScreenUser> m_user;
};

TEST_F(DialogsOnScreen, EveryDialogOfTheLibraryAnswersTheKeyboard) {
    const auto signer = pki::CertificateBuilder().subject({{"CN", "Jiří Dvořák"}}).build();
    TSignDlg sign(wide(signer.certificate.pem()), u"a94a 8fe5 ccb1 9ba6 1c4c 0873 d391 e987 9824 94bd", u"SHA-1",
                  u"Převod 1 000 Kč\nna účet 19-2000145399/0800", u"");
    const auto confirm = [&] { return sign.DoModal(nullptr); };
    EXPECT_EQ(IDNO, m_user->answered("Potvrzení", "alt+n", confirm,
                                     {"pentak-sign-confirmation",
                                      {"Převod 1 000 Kč", "na účet 19-2000145399/0800",
                                       "a94a 8fe5 ccb1 9ba6 1c4c 0873 d391 e987 9824 94bd", "Jiří Dvořák"}}));
    EXPECT_EQ(IDCANCEL, m_user->answered("Potvrzení", "Escape", confirm, {"", {"Převod 1 000 Kč"}}));
    EXPECT_EQ(IDYES, m_user->answered("Potvrzení", "Return", confirm, {"", {"Převod 1 000 Kč"}}));
    ShowsTheSignerByADarkBlueLinkToTheCertificate(*m_user, signer.certificate);

    TPentakResource::Instance()->SetLanguageStr(u"EN");
    TSelectCardDlg cards({{u"Gemalto Reader 0", u"Kavlo Card", u"KavloCSP"},
                          {u"OMNIKEY 3121 1", u"GemSAFE", u"Gemplus GemSAFE Card CSP v1.0"}});
    const auto choose = [&] { return cards.DoModal(nullptr); };
    // Template 206 laid out without overlaps, its columns' titles and the
    // longest provider's name read whole; the keyboard starts on the list.
    auto person = std::async(std::launch::async, [&] {
        testkit::answerCheckingLayout(*m_user, "Select card", "Down Return",
                                      {"pentak-card-choice",
                                       {"Card list", "Card reader", "Card name", "Provider", "Gemalto Reader 0",
                                        "Kavlo Card", "KavloCSP", "OMNIKEY 3121 1 GemSAFE Gemplus GemSAFE Card CSP v1.0",
                                        "OK", "Cancel"}});
    });
    EXPECT_EQ(IDOK, choose());
    person.get();
    EXPECT_EQ(1, cards.GetSelected());
    EXPECT_EQ(IDCANCEL, m_user->answered("Select card", "Escape", choose, {"", {"OMNIKEY 3121 1"}}));
    EXPECT_EQ(-1, cards.GetSelected());
    EXPECT_EQ(IDCANCEL, m_user->answered("Select card", "alt+c", choose, {"", {"OMNIKEY 3121 1"}}));
    TPentakResource::ReleaseInstance();

    // GTK keeps the display of its first window for the process: the
    // session's windows come on the same screen.
    TESTKIT_REQUIRE_PROGRAM("openssl");
    const ScopedEnv modules("PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR);
    testkit::PlatformRoot machine;
    testkit::TestCsp csp(testkit::CspKind::Software, machine, u"pentak-on-screen");
    const OwnedCertContext holder(csp.certificateWithKey("Pentak Screen Signer", hierarchy().standardCa));
    ASSERT_TRUE(holder);
    ASSERT_TRUE(CertAddCertificateContextToStore(OpenUserStore(kStorePersonal).get(), holder.get(),
                                                 CERT_STORE_ADD_ALWAYS, nullptr));
    CEnroll session;
    ASSERT_EQ(0u, session.SetGUILanguage(u"en"));

    std::u16string certificate;
    EXPECT_EQ(0u, m_user->answered("Vybrat certifikát", "Return",
                                   [&] { return session.SelectCertEx(u"", FALSE, certificate); },
                                   {"pentak-session-select-certificate", {"Pentak Screen Signer", "Tesk Standard CA"}}));
    EXPECT_EQ(base64Of(derOf(holder.get())), certificate);
    EXPECT_EQ(0u, m_user->answered("Certifikát", "Return", [&] { return session.ViewCert(certificate); },
                                   {"pentak-session-view-certificate", {"Pentak Screen Signer", "Tesk Standard CA"}}));

    std::u16string signedText;
    EXPECT_EQ(0u, m_user->answered("Confirmation", "alt+y",
                                   [&] { return session.Sign(certificate, u"Převod 1 000 Kč", signedText); },
                                   {"pentak-session-sign", {"Převod 1 000 Kč", "Pentak Screen Signer"}}));
    const std::vector<BYTE> der = bytesOfBase64(signedText);
    const auto file = machine.write("signed.der", std::string(der.begin(), der.end()));
    const auto verified =
        testkit::run({"openssl", "cms", "-verify", "-inform", "DER", "-noverify", "-binary", "-in", file.string()});
    EXPECT_EQ("P\xF8" "evod 1 000 K\xE8", verified.out) << verified.err;

    session.SetProviderName(csp.provider());
    session.SetProviderType(PROV_RSA_AES);
    EXPECT_FALSE(m_user->answered("Delete key set", "alt+n",
                                  [&] { return session.KeyContainerDelete(csp.container()); },
                                  {"pentak-session-key-container-delete",
                                   {"Do you want to delete the key container with the name",
                                    "All key pairs in the key container are also destroyed."}}));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
}

}  // namespace

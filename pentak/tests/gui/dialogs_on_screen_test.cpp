// The sign confirmation and the card choice as GTK windows, answered by
// key presses: the access keys of the GUI language's labels, the list's
// keyboard, Escape; screenshots of both are left as artifacts.
#include <gtest/gtest.h>

#include <optional>

#include "../pentak_support.h"
#include "pentak_resource.h"
#include "select_card_dialog.h"
#include "sign_dialog.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "win32/ui.h"

namespace {

using namespace pentak_test;

class DialogsOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_SCREEN();
        m_user.emplace();
    }
    void TearDown() override { TPentakResource::ReleaseInstance(); }

    std::optional<testkit::ScreenUser> m_user;
};

TEST_F(DialogsOnScreen, SignConfirmationAndCardChoiceAnswerTheKeyboard) {
    const auto signer = pki::CertificateBuilder().subject({{"CN", "Jiří Dvořák"}}).build();
    TSignDlg sign(wide(signer.certificate.pem()), u"a94a 8fe5 ccb1 9ba6 1c4c 0873 d391 e987 9824 94bd", u"SHA-1",
                  u"Převod 1 000 Kč\nna účet 19-2000145399/0800", u"");
    const auto confirm = [&] { return sign.DoModal(nullptr); };
    EXPECT_EQ(IDNO, m_user->answered("Potvrzení", "alt+n", confirm, "pentak-sign-confirmation"));
    EXPECT_EQ(IDCANCEL, m_user->answered("Potvrzení", "Escape", confirm));
    EXPECT_EQ(IDYES, m_user->answered("Potvrzení", "Return", confirm));

    TPentakResource::Instance()->SetLanguageStr(u"EN");
    TSelectCardDlg cards({{u"Gemalto Reader 0", u"Kavlo Card", u"KavloCSP"},
                          {u"OMNIKEY 3121 1", u"GemSAFE", u"Gemplus GemSAFE Card CSP v1.0"}});
    const auto choose = [&] { return cards.DoModal(nullptr); };
    EXPECT_EQ(IDOK, m_user->answered("Select card", "Down Return", choose, "pentak-card-choice"));
    EXPECT_EQ(1, cards.GetSelected());
    EXPECT_EQ(IDCANCEL, m_user->answered("Select card", "Escape", choose));
    EXPECT_EQ(-1, cards.GetSelected());
    EXPECT_EQ(IDCANCEL, m_user->answered("Select card", "alt+c", choose));
}

}  // namespace

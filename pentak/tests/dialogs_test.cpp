// The library's own dialogs as the script backend sees them: the sign
// dialog (its controls and texts in the GUI language, what is shown
// exactly as given, the end codes, the signer's certificate behind its
// link) and the card choice (an empty list that
// offers nothing, the row taken, Cancel and closing), and both when no
// window can be shown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testkit/scoped_env.h"
#include "pentak_resource.h"
#include "pentak_support.h"
#include "platform/ui.h"
#include "select_card_dialog.h"
#include "sign_dialog.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

using namespace pentak_test;
namespace script = platform::ui::script;

class Dialogs : public ::testing::Test {
protected:
    void TearDown() override { TPentakResource::ReleaseInstance(); }

    testkit::PlatformRoot m_root;
    ScriptedUi m_ui;
};

// A signer whose name has letters outside the ANSI code page.
std::u16string signerText() {
    static const auto signer =
        pki::CertificateBuilder().subject({{"C", "CZ"}, {"O", "Tesk"}, {"CN", "Jiří Dvořák (Ελλάδα)"}}).build();
    return wide(signer.certificate.pem());
}

// Template 102 with its controls 202-208 in the GUI language, what is
// shown exactly as given (a line break and letters of two languages), the
// signer's name as the link, English without a title "Confirmation"; each
// button and Escape end it with their code.
TEST_F(Dialogs, SignDialogShowsTheTextsAsGivenInTheGuiLanguageAndEndsWithTheButtonPressed) {
    const std::u16string message = u"Převod 1 000 Kč\nna účet 19-2000145399/0800 — Ελλάδα";
    const std::u16string hash = u"a94a 8fe5 ccb1 9ba6 1c4c 0873 d391 e987 9824 94bd";
    TPentakResource::Instance()->SetLanguageStr(u"EN");
    TSignDlg dialog(signerText(), hash, u"SHA-1", message, u"");
    script::queue("Dialog", "press:6");
    script::queue("Dialog", "press:7");
    script::queue("Dialog", "press:2");
    script::queue("Dialog", "escape");
    EXPECT_EQ(IDYES, dialog.DoModal(nullptr));
    EXPECT_EQ(IDNO, dialog.DoModal(nullptr));
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    const std::string shown =
        "Dialog 102: Confirmation | 206 static \"Message:\" | "
        "208 edit \"Převod 1 000 Kč\nna účet 19-2000145399/0800 — Ελλάδα\" | "
        "207 static \"The SHA-1 hash result:\" | "
        "202 edit \"a94a 8fe5 ccb1 9ba6 1c4c 0873 d391 e987 9824 94bd\" | "
        "203 static \"Sign by the certificate:\" | 205 link \"Jiří Dvořák (Ελλάδα)\" color #0000C0 | "
        "204 static \"Do you wish to perform this action?\" | 6 default \"&Yes\" | 7 button \"&No\" | "
        "2 button \"&Cancel\"";
    EXPECT_EQ((std::vector<std::string>{shown, shown, shown, shown}), script::transcript());
}

// The link of the signer's name shows the certificate in CryptUI's view
// with the confirmation still up, which then waits again.
TEST_F(Dialogs, SignDialogLinkShowsTheSignersCertificate) {
    const ScopedEnv modules("PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR);
    TSignDlg dialog(signerText(), u"00ff", u"SHA-1", u"zpráva", u"");
    script::queue("Dialog", "press:205");
    script::queue("ViewCertificate", "IDOK");
    script::queue("Dialog", "press:7");
    EXPECT_EQ(IDNO, dialog.DoModal(nullptr));
    const auto lines = script::transcript();
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(lines[1].starts_with("ViewCertificate: ")) << lines[1];
    EXPECT_NE(std::string::npos, lines[1].find("Jiří Dvořák (Ελλάδα)")) << lines[1];
    EXPECT_EQ(lines[0], lines[2]);
}

// A title set by the caller replaces "Potvrzení"; a text that is no
// certificate leaves the link without a name.
TEST_F(Dialogs, SignDialogInCzechWithTheCallersTitleAndNoCertificate) {
    TSignDlg dialog(u"not a certificate", u"00ff", u"SHA-256", u"zpráva", u"Podpis žádosti");
    script::queue("Dialog", "press:6", "Dialog 102: Podpis žádosti | 206 static \"Zpráva:\" | 208 edit \"zpráva\" | "
                                       "207 static \"SHA-256 miniatura (HASH) zprávy:\" | 202 edit \"00ff\" | "
                                       "203 static \"Podepsat certifikátem:\" | 205 link \"\" color #0000C0 | "
                                       "204 static \"Přejete si tuto akci provést?\" | 6 default \"&Ano\" | "
                                       "7 button \"&Ne\" | 2 button \"&Storno\"");
    EXPECT_EQ(IDYES, dialog.DoModal(nullptr));
}

TEST_F(Dialogs, CardChoiceTakesTheRowOnOkAndNoneOnCancelOrClosing) {
    TPentakResource::Instance()->SetLanguageStr(u"SK");
    TSelectCardDlg dialog({{u"Gemalto Reader 0", u"Kavlo Card", u"KavloCSP"},
                           {u"Čtečka 1", u"GemSAFE", u"Gemplus GemSAFE Card CSP v1.0"}});
    EXPECT_EQ(-1, dialog.GetSelected());
    script::queue("Row", "1");
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    EXPECT_EQ(1, dialog.GetSelected());
    script::queue("Row", "CLOSE");
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    EXPECT_EQ(-1, dialog.GetSelected());
    script::queue("Row", "IDCANCEL");
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    EXPECT_EQ(-1, dialog.GetSelected());
    EXPECT_EQ("Row: Zvolte kartu: Zoznam kariet: Čítačka | Názov karty | Provider: "
              "[0] Gemalto Reader 0 | Kavlo Card | KavloCSP [1] Čtečka 1 | GemSAFE | Gemplus GemSAFE Card CSP v1.0",
              script::transcript().at(0));
}

// With no card there is no row that OK could take: an answer naming one
// does not fit, and the dialog ends without a card.
TEST_F(Dialogs, CardChoiceWithoutCardsOffersNothingToTake) {
    TSelectCardDlg dialog({});
    script::queue("Row", "0");
    std::string problem;
    script::onUnanswered([&](const std::string& question) {
        problem = question;
        return IDOK;
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    EXPECT_EQ(-1, dialog.GetSelected());
    EXPECT_NE(std::string::npos, problem.find("Row: Zvolte kartu: Seznam karet: Název čtečky | Název karty | Provider:"))
        << problem;
    EXPECT_NE(std::string::npos, problem.find("cannot have")) << problem;
}

// A backend with message boxes only.
class BoxesOnly final : public platform::ui::Backend {
public:
    const char* name() const noexcept override { return "boxes only"; }
    int messageBox(const platform::ui::MessageBoxRequest&) override { return IDOK; }
    bool openWith(const platform::ui::OpenWithRequest&) override { return false; }
};

TEST_F(Dialogs, WithoutAWindowBothDialogsEndWithMinusOneAndTheReason) {
    platform::ui::setBackend(std::make_unique<BoxesOnly>());
    TSignDlg sign(signerText(), u"00", u"SHA-1", u"m", u"");
    SetLastError(0);
    EXPECT_EQ(-1, sign.DoModal(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    TSelectCardDlg cards({{u"Reader", u"Card", u"CSP"}});
    SetLastError(0);
    EXPECT_EQ(-1, cards.DoModal(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    EXPECT_EQ(-1, cards.GetSelected());
}

}  // namespace

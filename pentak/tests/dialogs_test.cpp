// The library's own dialogs as the script backend sees them: the sign
// dialog (its controls and texts in the GUI language, what is shown
// exactly as given, the end codes, the signer's certificate behind its
// link) and the card choice (its list of the cards, an empty list that
// offers nothing, the row taken, Cancel and closing), and both when no
// window can be shown.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
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

// The widths of a list view's columns in a transcript line, in order,
// each replaced there by "W".
std::vector<int> takeColumnWidths(std::string& line) {
    static const std::regex width(R"(("[^"]*") (\d+)([,\]]))");
    std::vector<int> widths;
    const auto start = line.find(" columns [");
    const auto end = line.find("] rows [", start);
    if (start == std::string::npos || end == std::string::npos) return widths;
    std::string columns = line.substr(start, end + 1 - start);
    for (std::sregex_iterator i(columns.begin(), columns.end(), width), last; i != last; ++i)
        widths.push_back(std::stoi((*i)[2]));
    line.replace(start, end + 1 - start, std::regex_replace(columns, width, "$1 W$3"));
    return widths;
}

// Template 206 in the GUI language: the caption, the list of the cards in
// full rows under three columns taking 0.5, 0.25 and 0.24 of its width,
// the first row selected and the keyboard on the list. OK takes the row
// selected then, Cancel and Escape end with 2, the close box with 1; but
// OK none takes a card.
TEST_F(Dialogs, CardChoiceListsTheCardsAndTakesTheSelectedRowOnOk) {
    TPentakResource::Instance()->SetLanguageStr(u"EN");
    TSelectCardDlg dialog({{u"Gemalto Reader 0", u"Kavlo Card", u"KavloCSP"},
                           {u"Čtečka 1", u"GemSAFE", u"Gemplus GemSAFE Card CSP v1.0"}});
    EXPECT_EQ(-1, dialog.GetSelected());
    script::queue("Dialog", "press:1");
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    EXPECT_EQ(0, dialog.GetSelected());
    script::queue("Dialog", "select:211:1");
    script::queue("Dialog", "press:1");
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    EXPECT_EQ(1, dialog.GetSelected());
    script::queue("Dialog", "select:211:1");
    script::queue("Dialog", "close");
    EXPECT_EQ(IDOK, dialog.DoModal(nullptr));
    EXPECT_EQ(-1, dialog.GetSelected());
    script::queue("Dialog", "press:2");
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    EXPECT_EQ(-1, dialog.GetSelected());
    script::queue("Dialog", "escape");
    EXPECT_EQ(IDCANCEL, dialog.DoModal(nullptr));
    EXPECT_EQ(-1, dialog.GetSelected());

    auto lines = script::transcript();
    ASSERT_EQ(7u, lines.size());
    std::string shown = lines[0];
    const auto widths = takeColumnWidths(shown);
    ASSERT_EQ(3u, widths.size()) << lines[0];
    // The list's width, from the half of it the first column takes.
    bool fractions = false;
    for (const int list : {2 * widths[0], 2 * widths[0] + 1})
        fractions = fractions || (widths[1] == list / 4 && widths[2] == list * 24 / 100);
    EXPECT_TRUE(fractions) << lines[0];
    EXPECT_EQ("Dialog 206: Select card | 210 static \"Card list\" | 211 listview \"\" fullrowselect "
              "columns [\"Card reader\" W, \"Card name\" W, \"Provider\" W] "
              "rows [[\"Gemalto Reader 0\", \"Kavlo Card\", \"KavloCSP\"], "
              "[\"Čtečka 1\", \"GemSAFE\", \"Gemplus GemSAFE Card CSP v1.0\"]] sel 0 focused | "
              "1 default \"OK\" | 2 button \"&Cancel\"",
              shown);
    EXPECT_NE(std::string::npos, lines[2].find("] sel 1 focused")) << lines[2];
}

// With no card the list is empty and OK disabled: an answer pressing it
// does not fit, and the dialog ends without a card.
TEST_F(Dialogs, CardChoiceWithoutCardsOffersNothingToTake) {
    TSelectCardDlg dialog({});
    script::queue("Dialog", "press:1");
    std::string problem;
    script::onUnanswered([&](const std::string& question) {
        problem = question;
        return IDOK;
    });
    EXPECT_EQ(-1, dialog.DoModal(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
    EXPECT_EQ(-1, dialog.GetSelected());
    EXPECT_NE(std::string::npos, problem.find("Dialog 206: Zvolte kartu | 210 static \"Seznam karet\"")) << problem;
    EXPECT_NE(std::string::npos, problem.find("rows [] sel -1 focused | 1 default \"OK\" disabled |")) << problem;
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

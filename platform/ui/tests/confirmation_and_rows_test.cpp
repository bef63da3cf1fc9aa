// The script backend's confirmations and row choices: what the transcript
// shows, the link activated from a script, and the ends of a row choice.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

class ScriptQuestions : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        ui::setBackend(nullptr);
    }

    ui::ConfirmationRequest confirmation() {
        return {"Potvrzení",
                {{"Zpráva:", "Převod 100 Kč"}, {"SHA-1 miniatura:", "ab12 cd34"}},
                "Podepsat certifikátem:",
                "Alice Nováková",
                [this] { ++m_linkActivations; },
                "Přejete si tuto akci provést?",
                "&Ano",
                "&Ne",
                "&Storno"};
    }

    const ScopedEnv m_setting{"PLATFORM_UI", "script"};
    int m_linkActivations = 0;
};

TEST_F(ScriptQuestions, TheLinkCallsBackWhileTheConfirmationStaysAndIsAskedAgain) {
    script::queue("Confirmation", "LINK");
    script::queue("Confirmation", "IDNO", "Alice Nováková");
    EXPECT_EQ(ui::Confirmation::No, ui::backend().confirm(confirmation()));
    EXPECT_EQ(1, m_linkActivations);
    const std::string shown =
        "Confirmation: Potvrzení: Zpráva: Převod 100 Kč | SHA-1 miniatura: ab12 cd34 | Podepsat certifikátem: "
        "[Alice Nováková] | Přejete si tuto akci provést? | &Ano &Ne &Storno";
    EXPECT_EQ((std::vector<std::string>{shown, shown}), script::transcript());
}

// Without link text there is no link: a LINK answer does not fit, and the
// handler's reply cancels unless it is Yes or No.
TEST_F(ScriptQuestions, AConfirmationWithoutLinkTakesNoLinkAnswer) {
    auto request = confirmation();
    request.linkText.clear();
    script::queue("Confirmation", "LINK");
    std::string problem;
    script::onUnanswered([&](const std::string& question) {
        problem = question;
        return IDOK;
    });
    EXPECT_EQ(ui::Confirmation::Cancel, ui::backend().confirm(request));
    EXPECT_EQ(0, m_linkActivations);
    EXPECT_NE(std::string::npos, problem.find("cannot have"));
    EXPECT_NE(std::string::npos, problem.find("Podepsat certifikátem: | Přejete")) << problem;
}

TEST_F(ScriptQuestions, ARowChoiceTellsCancelFromClosing) {
    const ui::CertificateChoiceRequest request{"Zvolte kartu", "Seznam karet", {"Čtečka", "Karta", "Provider"},
                                              {{"Reader 0", "Kavlo", "KavloCSP"}, {"Reader 1", "GPK", "GemSAFE"}}};
    script::queue("Row", "1");
    script::queue("Row", "IDCANCEL");
    script::queue("Row", "CLOSE");
    const auto chosen = ui::backend().chooseRow(request);
    EXPECT_EQ(ui::ChoiceEnd::Chosen, chosen.end);
    EXPECT_EQ(1u, chosen.row);
    EXPECT_EQ(ui::ChoiceEnd::Cancelled, ui::backend().chooseRow(request).end);
    EXPECT_EQ(ui::ChoiceEnd::Closed, ui::backend().chooseRow(request).end);
    EXPECT_EQ("Row: Zvolte kartu: Seznam karet: Čtečka | Karta | Provider: [0] Reader 0 | Kavlo | KavloCSP [1] Reader 1 | GPK | GemSAFE",
              script::transcript().at(0));
    // A certificate list is only chosen from or cancelled.
    EXPECT_THROW(script::queue("Certificate", "CLOSE"), std::invalid_argument);
}

}  // namespace

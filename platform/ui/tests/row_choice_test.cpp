// The script backend's row choices: what the transcript shows and the ends
// of a row choice.
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

    const ScopedEnv m_setting{"PLATFORM_UI", "script"};
};

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

// The PIN question of the script backend: digits (leading zeros kept) or
// IDCANCEL, from the queue, a script file or the handler.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "scoped_env.h"
#include "testkit/platform_root.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

class PinPrompt : public ::testing::Test {
protected:
    void SetUp() override { use("script"); }
    void TearDown() override {
        script::clear();
        ui::setBackend(nullptr);
    }
    void use(const std::string& setting) {
        m_setting.emplace("PLATFORM_UI", setting);
        script::clear();
        ui::setBackend(nullptr);
    }
    static std::optional<std::string> ask() { return ui::backend().askPin({"Zintra CSP", "Reader 1"}); }

    testkit::PlatformRoot m_root;
    std::optional<ScopedEnv> m_setting;
};

}  // namespace

TEST_F(PinPrompt, QueuedPinsAndCancelsAreAnsweredAndTranscribed) {
    script::queue("Pin", "0042", "Reader 1");
    script::queue("Pin", "IDCANCEL");
    EXPECT_EQ(std::optional<std::string>("0042"), ask());
    EXPECT_EQ(std::nullopt, ask());
    EXPECT_EQ((std::vector<std::string>{"Pin: Zintra CSP: Reader 1", "Pin: Zintra CSP: Reader 1"}),
              script::transcript());
}

TEST_F(PinPrompt, ScriptFileLinesAnswerPins) {
    use("script:" + m_root.write("answers.txt", "# the card's PIN\nPin 1234\n").string());
    EXPECT_EQ(std::optional<std::string>("1234"), ask());
}

TEST_F(PinPrompt, AMessageBoxAnswerDoesNotFitAndTheHandlerDecides) {
    script::queue("MessageBox", "IDOK");
    std::string seen;
    script::onUnanswered([&](const std::string& question) {
        seen = question;
        return IDCANCEL;
    });
    EXPECT_EQ(std::nullopt, ask());
    EXPECT_NE(std::string::npos, seen.find("another kind"));
    EXPECT_EQ(0u, script::pending());
}

TEST_F(PinPrompt, APinIsDigitsOrIdCancel) {
    EXPECT_THROW(script::queue("Pin", "12a4"), std::invalid_argument);
    EXPECT_THROW(script::queue("Pin", "IDOK"), std::invalid_argument);
}

// The questions of the script backend whose answers carry text or a row:
// a PIN (digits, leading zeros kept), a user name and password, a row of a
// certificate list, or IDCANCEL, from the queue, a script file or the
// handler; a row the list lacks goes to the handler and cancels.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "testkit/platform_root.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

class TypedAnswers : public ::testing::Test {
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
    static std::optional<ui::Credentials> login(bool proxy = false) {
        return ui::backend().askCredentials({"tsa.example", "Tesk TSA", proxy});
    }
    static std::optional<std::size_t> choose() {
        return ui::backend().chooseCertificate(
            {"Ověření klienta", "Vyberte certifikát", {"Vystaveno pro", "Vystavitel"}, {{"Alice", "CA 1"}, {"Bob", "CA 2"}}});
    }

    testkit::PlatformRoot m_root;
    std::optional<ScopedEnv> m_setting;
};

}  // namespace

TEST_F(TypedAnswers, QueuedPinsAndCancelsAreAnsweredAndTranscribed) {
    script::queue("Pin", "0042", "Reader 1");
    script::queue("Pin", "IDCANCEL");
    EXPECT_EQ(std::optional<std::string>("0042"), ask());
    EXPECT_EQ(std::nullopt, ask());
    EXPECT_EQ((std::vector<std::string>{"Pin: Zintra CSP: Reader 1", "Pin: Zintra CSP: Reader 1"}),
              script::transcript());
}

TEST_F(TypedAnswers, ScriptFileLinesAnswerPins) {
    use("script:" + m_root.write("answers.txt", "# the card's PIN\nPin 1234\n").string());
    EXPECT_EQ(std::optional<std::string>("1234"), ask());
}

TEST_F(TypedAnswers, AMessageBoxAnswerDoesNotFitAndTheHandlerDecides) {
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

TEST_F(TypedAnswers, APinIsDigitsOrIdCancel) {
    EXPECT_THROW(script::queue("Pin", "12a4"), std::invalid_argument);
    EXPECT_THROW(script::queue("Pin", "IDOK"), std::invalid_argument);
}

TEST_F(TypedAnswers, FileAndQueuedAnswersAreGivenAndTranscribed) {
    use("script:" +
        m_root.write("answers.txt", "Credentials alice s3cret server tsa.example\nCertificate 1 [1] Bob | CA 2\n").string());
    script::queue("Credentials", "IDCANCEL", "proxy");
    script::queue("Certificate", "IDCANCEL");

    const auto given = login();
    ASSERT_TRUE(given.has_value());
    EXPECT_EQ("alice", given->user);
    EXPECT_EQ("s3cret", given->password);
    EXPECT_EQ(std::optional<std::size_t>(1), choose());
    EXPECT_EQ(std::nullopt, login(true));
    EXPECT_EQ(std::nullopt, choose());
    EXPECT_EQ(0u, script::pending());
    const std::vector<std::string> expected{
        "Credentials: server tsa.example: Tesk TSA",
        "Certificate: Ověření klienta: Vyberte certifikát: [0] Alice | CA 1 [1] Bob | CA 2",
        "Credentials: proxy tsa.example: Tesk TSA",
        "Certificate: Ověření klienta: Vyberte certifikát: [0] Alice | CA 1 [1] Bob | CA 2",
    };
    EXPECT_EQ(expected, script::transcript());
}

TEST_F(TypedAnswers, ARowTheListLacksGoesToTheHandlerAndCancels) {
    script::queue("Certificate", "2");
    std::string seen;
    script::onUnanswered([&](const std::string& question) {
        seen = question;
        return 0;
    });
    EXPECT_EQ(std::nullopt, choose());
    EXPECT_NE(std::string::npos, seen.find("cannot have")) << seen;
}

TEST_F(TypedAnswers, RepliesMustHaveTheirShape) {
    EXPECT_THROW(script::queue("Credentials", "alice"), std::invalid_argument);
    EXPECT_THROW(script::queue("Credentials", "alice "), std::invalid_argument);
    EXPECT_THROW(script::queue("Certificate", "-1"), std::invalid_argument);
    EXPECT_THROW(script::queue("Certificate", "Alice"), std::invalid_argument);
}

// The script backend: answers from the queue and the script file, the
// transcript, and the loud failure of every question without a fitting
// answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "testkit/platform_root.h"
#include "win32/ui.h"

namespace script = platform::ui::script;

namespace {

class ScriptBackend : public ::testing::Test {
protected:
    void SetUp() override { useScript("script"); }
    void TearDown() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    // The backend is chosen again at the next UI call, from this setting.
    void useScript(const std::string& setting) {
        m_setting.emplace("PLATFORM_UI", setting);
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    // Installs a handler that records what reached it and replies `reply`.
    void recordUnanswered(int reply) {
        script::onUnanswered([this, reply](const std::string& question) {
            m_unanswered.push_back(question);
            return reply;
        });
    }

    testkit::PlatformRoot m_root;
    std::optional<ScopedEnv> m_setting;
    std::vector<std::string> m_unanswered;
};

int ask(const char16_t* text, UINT type = MB_YESNOCANCEL) { return MessageBoxW(nullptr, text, u"Tesk", type); }

HRESULT openWith(const std::filesystem::path& file) {
    const std::u16string wide = platform::paths::toWide(file);
    const OPENASINFO info{wide.c_str(), nullptr, OAIF_EXEC};
    return SHOpenWithDialog(nullptr, &info);
}

}  // namespace

TEST_F(ScriptBackend, QueuedAnswersAreTakenInOrderAndTheQuestionsTranscribed) {
    script::queue("MessageBox", "IDYES", "pokračovat");
    script::queue("MessageBox", "7");
    script::queue("MessageBox", "IDCANCEL");
    EXPECT_EQ(3u, script::pending());
    EXPECT_EQ(IDYES, ask(u"Opravdu chcete pokračovat?"));
    EXPECT_EQ(IDNO, ask(u"Znovu?"));
    EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "Kon\xE8it?", nullptr, MB_OKCANCEL));
    EXPECT_EQ(0u, script::pending());
    const std::vector<std::string> expected = {"MessageBox: Tesk: Opravdu chcete pokračovat?",
                                               "MessageBox: Tesk: Znovu?", "MessageBox: Error: Končit?"};
    EXPECT_EQ(expected, script::transcript());
    EXPECT_STREQ("script", platform::ui::backend().name());
}

TEST_F(ScriptBackend, OpenWithIsChosenOrCancelledAndStartsNothing) {
    const auto file = m_root.write("smlouva.kyd", "x");
    script::queue("OpenWith", "IDOK", "smlouva.kyd");
    script::queue("OpenWith", "IDCANCEL");
    EXPECT_EQ(S_OK, openWith(file));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), openWith(file));
    EXPECT_EQ(std::vector<std::string>(2, "OpenWith: " + file.string()), script::transcript());
}

TEST_F(ScriptBackend, ScriptFileAnswersComeBeforeQueuedOnes) {
    const auto file = m_root.write("answers.txt",
                                   "# answers for one run\n"
                                   "\n"
                                   "MessageBox IDNO   Opravdu chcete\r\n"
                                   "  OpenWith\tIDCANCEL\n");
    useScript("script:" + file.string());
    script::queue("MessageBox", "IDYES");
    EXPECT_EQ(1u, script::pending());  // the file is read when the backend is chosen, at the first call
    EXPECT_EQ(IDNO, ask(u"Opravdu chcete pokračovat?"));
    EXPECT_EQ(2u, script::pending());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), openWith(m_root.write("a.txt", "x")));
    EXPECT_EQ(IDYES, ask(u"A teď?"));
}

TEST_F(ScriptBackend, AnswersThatDoNotFitGoToTheHandlerAndAreUsedUp) {
    recordUnanswered(IDCANCEL);
    script::queue("OpenWith", "IDOK");                       // another kind
    script::queue("MessageBox", "IDYES", "smazat soubor");   // another text
    script::queue("MessageBox", "IDYES");                    // no Yes on an OK box
    script::queue("MessageBox", "IDNO");                     // fits
    EXPECT_EQ(IDCANCEL, ask(u"Opravdu chcete pokračovat?"));
    EXPECT_EQ(IDCANCEL, ask(u"Opravdu chcete pokračovat?"));
    EXPECT_EQ(IDCANCEL, ask(u"Hotovo.", MB_OK));
    EXPECT_EQ(IDNO, ask(u"Opravdu chcete pokračovat?"));
    EXPECT_EQ(IDCANCEL, ask(u"Poslední otázka"));
    ASSERT_EQ(4u, m_unanswered.size());
    EXPECT_NE(std::string::npos, m_unanswered[0].find("another kind")) << m_unanswered[0];
    EXPECT_NE(std::string::npos, m_unanswered[1].find("another text")) << m_unanswered[1];
    EXPECT_NE(std::string::npos, m_unanswered[2].find("cannot have")) << m_unanswered[2];
    EXPECT_NE(std::string::npos, m_unanswered[3].find("unanswered question \"MessageBox: Tesk: Poslední otázka\""))
        << m_unanswered[3];
    EXPECT_EQ(5u, script::transcript().size());
}

TEST_F(ScriptBackend, OpenWithTakesOnlyOkOrCancel) {
    recordUnanswered(IDCANCEL);
    script::queue("OpenWith", "IDYES");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), openWith(m_root.write("a.txt", "x")));
    ASSERT_EQ(1u, m_unanswered.size());
    EXPECT_NE(std::string::npos, m_unanswered[0].find("cannot have"));
}

TEST_F(ScriptBackend, QueueRefusesUnknownKindsAndReplies) {
    EXPECT_THROW(script::queue("Dialog", "IDOK"), std::invalid_argument);
    EXPECT_THROW(script::queue("MessageBox", "IDMAYBE"), std::invalid_argument);
    EXPECT_THROW(script::queue("MessageBox", "-1"), std::invalid_argument);
    EXPECT_THROW(script::queue("MessageBox", "6x"), std::invalid_argument);
    EXPECT_EQ(0u, script::pending());
}

TEST_F(ScriptBackend, ClearForgetsAnswersTranscriptAndHandler) {
    recordUnanswered(IDOK);
    script::queue("MessageBox", "IDOK");
    ask(u"one", MB_OK);
    script::clear();
    EXPECT_EQ(0u, script::pending());
    EXPECT_TRUE(script::transcript().empty());
    EXPECT_DEATH(ask(u"two", MB_OK), "unanswered question");
}

using ScriptBackendDeathTest = ScriptBackend;

TEST_F(ScriptBackendDeathTest, AnUnansweredQuestionAbortsWithTheQuestion) {
    EXPECT_DEATH(ask(u"Opravdu chcete pokračovat?"),
                 "platform ui: script: unanswered question \"MessageBox: Tesk: Opravdu");
}

TEST_F(ScriptBackendDeathTest, AnAnswerThatDoesNotFitAborts) {
    EXPECT_DEATH(
        {
            script::queue("OpenWith", "IDOK");
            ask(u"Opravdu?");
        },
        "the answer \"OpenWith IDOK\" is for another kind of question");
    EXPECT_DEATH(
        {
            script::queue("MessageBox", "IDOK", "jiný text");
            ask(u"Opravdu?");
        },
        "expects another text");
}

TEST_F(ScriptBackendDeathTest, ABadScriptFileAborts) {
    const auto bad = m_root.write("bad.txt", "MessageBox IDYES\nMessageBox\n");
    useScript("script:" + bad.string());
    EXPECT_DEATH(ask(u"x"), "bad.txt:2: expected \"KIND REPLY \\[text\\]\"");
    useScript("script:" + (m_root.path() / "missing.txt").string());
    EXPECT_DEATH(ask(u"x"), "cannot read the script file");
}

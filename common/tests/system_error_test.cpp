#include "common/system_error.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "platform/system_messages.h"
#include "platform/ui.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

// The component's name, string 100 of the test program's resources.
constexpr const char* kTitle = "Tesk helpers";

TEST(GetSystemErrorText, EmptyForNoError) {
    SetLastError(0);
    EXPECT_EQ("", GetSystemErrorText());
}

TEST(GetSystemErrorText, CodeInHexAndDecimalThenTheSystemText) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ("0x00000005 (5)- " + std::string(platform::systemMessage(ERROR_ACCESS_DENIED)) + "\r\n",
              GetSystemErrorText());
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
}

// A given code is told without touching the thread's last error, which
// stands in for the code 0.
TEST(GetSystemErrorText, OfAGivenCode) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ("0x00000005 (5)- " + std::string(platform::systemMessage(ERROR_ACCESS_DENIED)) + "\r\n",
              GetSystemErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ("0x80090016 (2148073494)- " + std::string(platform::systemMessage(0x80090016u)) + "\r\n",
              GetSystemErrorText(0x80090016u));  // NTE_BAD_KEYSET
    EXPECT_EQ("0xE0001234 (3758101044)", GetSystemErrorText(0xE0001234u));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ("0x00000002 (2)- " + std::string(platform::systemMessage(ERROR_FILE_NOT_FOUND)) + "\r\n",
              GetSystemErrorText(0));
    SetLastError(0);
    EXPECT_EQ("", GetSystemErrorText(0));
}

TEST(GetSystemErrorText, CodeWithoutASystemTextIsOnlyTheNumbers) {
    SetLastError(0xE0001234u);
    EXPECT_EQ("0xE0001234 (3758101044)", GetSystemErrorText());
    EXPECT_EQ(0xE0001234u, GetLastError());
}

class LogLastErrorTest : public ::testing::Test {
protected:
    void SetUp() override { TLogStrVect::Instance()->SetMask(0xFF); }
    void TearDown() override { TLogStrVect::ReleaseInstance(); }
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        TLogStrVect::Instance()->GetAll(out);
        return out;
    }
};

TEST_F(LogLastErrorTest, WritesTheMessageAndTheErrorText) {
    SetLastError(ERROR_ACCESS_DENIED);
    LogLastError(sgLogLevelWarns, "writing to the registry failed: ncerts ");
    const auto logged = lines();
    ASSERT_EQ(1u, logged.size());
    EXPECT_NE(std::string::npos, logged[0].find("WARN writing to the registry failed: ncerts 0x00000005 (5)- "));
}

TEST_F(LogLastErrorTest, WritesNothingWithoutAnError) {
    SetLastError(0);
    LogLastError(sgLogLevelErrs, "nothing ");
    EXPECT_TRUE(lines().empty());
}

TEST(LoadResString, ReadsThisModulesStringsAndKeepsTheLastError) {
    SetLastError(1234);
    EXPECT_EQ(kTitle, LoadResString(IDS_APP_TITLE));
    EXPECT_EQ(1234u, GetLastError());
    EXPECT_EQ("", LoadResString(4321));
    EXPECT_EQ(1234u, GetLastError());
}

// Keeps the boxes asked for and answers with a set button.
class RecordingBackend : public platform::ui::Backend {
public:
    RecordingBackend(std::vector<platform::ui::MessageBoxRequest>& boxes, int answer)
        : m_boxes(boxes), m_answer(answer) {}
    const char* name() const noexcept override { return "recording"; }
    int messageBox(const platform::ui::MessageBoxRequest& request) override {
        m_boxes.push_back(request);
        return m_answer;
    }
    bool openWith(const platform::ui::OpenWithRequest&) override { return false; }
    std::optional<std::string> askPin(const platform::ui::PinRequest&) override { return std::nullopt; }

private:
    std::vector<platform::ui::MessageBoxRequest>& m_boxes;
    int m_answer;
};

class AppBoxTest : public ::testing::Test {
protected:
    void answer(int button) { platform::ui::setBackend(std::make_unique<RecordingBackend>(boxes, button)); }
    void TearDown() override { platform::ui::setBackend(nullptr); }
    std::vector<platform::ui::MessageBoxRequest> boxes;
};

TEST_F(AppBoxTest, QuestionBoxHasYesNoCancelAndTheWarningIcon) {
    answer(IDNO);
    EXPECT_EQ(IDNO, AppQuestionBox("Continue?"));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Continue?", boxes[0].text);
    EXPECT_EQ(kTitle, boxes[0].caption);
    EXPECT_EQ((std::vector<int>{IDYES, IDNO, IDCANCEL}), boxes[0].buttons);
    EXPECT_EQ(platform::ui::Icon::Warning, boxes[0].icon);
}

TEST_F(AppBoxTest, WarningBoxHasOkAndTheExclamationIcon) {
    answer(IDOK);
    AppWarningBox("Careful");
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kTitle, boxes[0].caption);
    EXPECT_EQ(std::vector<int>{IDOK}, boxes[0].buttons);
    EXPECT_EQ(platform::ui::Icon::Warning, boxes[0].icon);
}

TEST(IsVistaOrLater, TrueOnThisSystem) { EXPECT_TRUE(IsVistaOrLater()); }

}  // namespace

// The diagnostic text: the exact line of a message, the level threshold,
// the caller's error state, and lines that are too long.
#include "my_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

#include "pentak_resource.h"

#include "win32/error.h"

namespace {

class MyErrorTest : public ::testing::Test {
protected:
    void SetUp() override { record().Reset(); }
    void TearDown() override { record().Reset(); }

    static CMyError& record() { return CMyError::Instance(); }
};

TEST_F(MyErrorTest, LinesCarryTheCallersErrorStateOldestFirst) {
    SetLastError(0x80090016);
    errno = 0;
    EXPECT_EQ(1, ReportError(10, 0, "", "Enroll", 980));
    EXPECT_EQ(0x80090016u, GetLastError());
    EXPECT_EQ(u"Enroll (line: 980) (MyError:10000000) (LastError:0x80090016) (errno:       0) \n", record().GetText());

    // The wide twin; narrow texts are ANSI (0xE8 is "č").
    SetLastError(0x8009000F);
    errno = EINVAL;
    EXPECT_EQ(1, ReportError(2, 5, u"CryptEncodeObject End", "Enroll", 12345));
    EXPECT_EQ(0x8009000Fu, GetLastError());
    EXPECT_EQ(EINVAL, errno);
    ReportError(1, 0, "Chyba \xE8", "Enroll", 7);
    EXPECT_EQ(u"Enroll (line: 980) (MyError:10000000) (LastError:0x80090016) (errno:       0) \n"
              u"Enroll (line:12345) (MyError: 2000005) (LastError:0x8009000f) (errno:      22) CryptEncodeObject End\n"
              u"Enroll (line:   7) (MyError: 1000000) (LastError:0x8009000f) (errno:      22) Chyba č\n",
              record().GetText());
}

TEST_F(MyErrorTest, MessagesBelowTheLevelAreNotKept) {
    record().SetLevel(11);
    ReportError(10, 0, "", "Enroll", 980);
    EXPECT_EQ(u"", record().GetText());

    // Details and whole texts are not subject to the level.
    record().SetDetail(u"step 1");
    EXPECT_EQ(u"step 1\n", record().GetText());
    record().SetText(u"");
    EXPECT_EQ(u"", record().GetText());

    record().SetLevel(10);
    ReportError(2, 0, "trace", "Enroll", 1);
    ReportError(10, 0, "", "Enroll", 2);
    const std::u16string kept = u"Enroll (line:   2) (MyError:10000000) (LastError:0x";
    EXPECT_EQ(kept, record().GetText().substr(0, kept.size()));
}

TEST_F(MyErrorTest, LargeNumbersAndLongTextsStayWhole) {
    // 3000 * 1,000,000 + 5 does not fit 32 bits.
    ReportError(3000, 5, "", "Enroll", 1);
    EXPECT_NE(std::u16string::npos, record().GetText().find(u"(MyError:3000000005)"));

    record().Reset();
    const std::u16string longText(5000, u'x');
    ReportError(10, 0, longText.c_str(), "Enroll", 1);
    ReportError(10, 0, "next", "Enroll", 2);
    const std::u16string& text = record().GetText();
    const auto firstBreak = text.find(u'\n');
    EXPECT_EQ(CMyError::kMaxLineLength, firstBreak);
    EXPECT_EQ(u"Enroll (line:   2)", text.substr(firstBreak + 1, 18));
    EXPECT_EQ(u"next\n", text.substr(text.size() - 5));
}

// Objects in two threads write the one record and read its texts at once:
// every line arrives whole, and the message table answers both.
TEST_F(MyErrorTest, TwoThreadsReportingAtOnceLoseNoLine) {
    constexpr int kLines = 4000;
    const auto writer = [](const char* text) {
        for (int i = 0; i < kLines; ++i) {
            ReportError(10, i, text, "Enroll", 1);
            TPentakResource::Instance()->SetLanguage(i % 3);
            if (TPentakResource::Instance()->GetString(1).empty()) ADD_FAILURE() << "the table lost its text";
            if (i % 256 == 0 && record().GetText().empty()) ADD_FAILURE() << "the record lost its lines";
        }
    };
    std::thread first(writer, "first");
    std::thread second(writer, "second");
    first.join();
    second.join();
    const std::u16string text = record().GetText();
    std::size_t lines = 0;
    for (std::size_t at = text.find(u'\n'); at != std::u16string::npos; at = text.find(u'\n', at + 1)) ++lines;
    EXPECT_EQ(2u * kLines, lines);
    std::size_t whole = 0;
    for (const char16_t* ending : {u") first\n", u") second\n"})
        for (std::size_t at = text.find(ending); at != std::u16string::npos; at = text.find(ending, at + 1)) ++whole;
    EXPECT_EQ(2u * kLines, whole);
}

}  // namespace

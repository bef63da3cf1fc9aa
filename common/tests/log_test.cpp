// The in-memory log: what is kept, how a line looks, trimming and reading,
// the singleton, and many writers at once.
#include "common/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace {

// 2025-01-02 03:04:05.006 UTC.
constexpr ULONGLONG kFixedSeconds = 1735787045;
constexpr ULONGLONG kFixedTime = platform::clock::kUnixEpochAsFileTime + kFixedSeconds * 10'000'000 + 6 * 10'000;
constexpr const char* kFixedStamp = "<02/01/2025 03:04:05.006>";

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Local time follows TZ; fix both so that every stamp is known.
        if (const char* zone = std::getenv("TZ")) previousZone = zone;
        setenv("TZ", "UTC", 1);
        tzset();
        platform::clock::setForTests(kFixedTime);
        TLogStrVect::ReleaseInstance();
        log = TLogStrVect::Instance();
    }
    void TearDown() override {
        TLogStrVect::ReleaseInstance();
        platform::clock::setForTests(std::nullopt);
        if (previousZone)
            setenv("TZ", previousZone->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    std::vector<std::string> all() {
        std::vector<std::string> lines;
        log->GetAll(lines);
        return lines;
    }

    TLogStrVect* log = nullptr;
    std::optional<std::string> previousZone;
};

TEST(LevelTag, FourCharactersChosenByTheExactValue) {
    EXPECT_STREQ("ERR ", LevelTag(1));
    EXPECT_STREQ("WARN", LevelTag(2));
    EXPECT_STREQ("MSG ", LevelTag(4));
    EXPECT_STREQ("DBG ", LevelTag(8));
    EXPECT_STREQ("OFF ", LevelTag(0));
    EXPECT_STREQ("UNKN", LevelTag(3));
    EXPECT_STREQ("UNKN", LevelTag(255));
}

TEST_F(LogTest, LineHasStampTagAndText) {
    log->SetMask(0xFF);
    log->Print(sgLogLevelErrs, "LogClear(): %s:%i", "TSigner", 42);
    log->Print(sgLogLevelWarns, "w");
    log->Print(sgLogLevelMsgs, "m");
    log->Print(sgLogLevelDebug, "d");
    log->Print(sgLogLevelErrs | sgLogLevelWarns, "both");

    const std::string stamp = kFixedStamp;
    EXPECT_EQ(25u, stamp.size());
    EXPECT_EQ((std::vector<std::string>{
                  stamp + " ERR  LogClear(): TSigner:42\n",
                  stamp + " WARN w\n",
                  stamp + " MSG  m\n",
                  stamp + " DBG  d\n",
                  stamp + " UNKN both\n",
              }),
              all());
}

TEST_F(LogTest, MaskDecidesWhatIsKept) {
    EXPECT_EQ(0, log->Print(sgLogLevelErrs, "before any mask"));
    EXPECT_TRUE(all().empty());

    EXPECT_EQ(1, log->SetMask(0xFFFFFFFF));
    log->Write(0, "level 0");
    EXPECT_TRUE(all().empty());

    EXPECT_EQ(1, log->SetMask(sgLogLevelWarns));
    log->Write(sgLogLevelErrs, "not in the mask");
    EXPECT_EQ(0, log->Write(3, "shares the warning bit"));
    ASSERT_EQ(1u, all().size());
    EXPECT_EQ(std::string(kFixedStamp) + " UNKN shares the warning bit\n", all()[0]);

    log->Disable();
    log->Write(sgLogLevelWarns, "after Disable");
    EXPECT_EQ(1u, all().size());
}

TEST_F(LogTest, PrintCutsLongTextAndSkipsNullFormat) {
    log->SetMask(0xFF);
    EXPECT_EQ(0, log->Print(sgLogLevelErrs, nullptr));
    EXPECT_TRUE(all().empty());

    const std::string fits(TLog::kMaxPrintLength, 'a');
    log->Print(sgLogLevelErrs, "%s", fits.c_str());
    log->Print(sgLogLevelErrs, "%s%s", fits.c_str(), "overflow");
    const std::string expected = std::string(kFixedStamp) + " ERR  " + fits + "\n";
    EXPECT_EQ((std::vector<std::string>{expected, expected}), all());
}

TEST_F(LogTest, PrintStrKeepsPercentSigns) {
    log->SetMask(0xFF);
    EXPECT_EQ(0, log->PrintStr(sgLogLevelMsgs, "100% of %s"));
    ASSERT_EQ(1u, all().size());
    EXPECT_EQ(std::string(kFixedStamp) + " MSG  100% of %s\n", all()[0]);
}

TEST_F(LogTest, GetEntriesAppendsMatchingLinesOldestFirst) {
    log->SetMask(0xFFFF);
    log->PrintStr(sgLogLevelErrs, "e1");
    log->PrintStr(sgLogLevelDebug, "d1");
    log->PrintStr(sgLogLevelErrs, "e2");
    log->PrintStr(0x100, "above the read mask of GetAll");

    std::vector<std::string> out{"kept"};
    EXPECT_EQ(3u, log->GetEntries(sgLogLevelErrs, out));
    ASSERT_EQ(3u, out.size());
    EXPECT_EQ("kept", out[0]);
    EXPECT_NE(std::string::npos, out[1].find(" e1\n"));
    EXPECT_NE(std::string::npos, out[2].find(" e2\n"));

    std::vector<std::string> everything;
    EXPECT_EQ(3u, log->GetAll(everything));
    std::vector<std::string> high;
    EXPECT_EQ(1u, log->GetEntries(0x100, high));
}

TEST_F(LogTest, TrimKeepsTheNewestEntries) {
    log->SetMask(0xFF);
    for (int i = 0; i < 5; ++i) log->Print(sgLogLevelMsgs, "line %d", i);

    EXPECT_EQ(1, log->Trim(5));
    EXPECT_EQ(5u, all().size());
    EXPECT_EQ(1, log->Trim(2));
    const auto kept = all();
    ASSERT_EQ(2u, kept.size());
    EXPECT_NE(std::string::npos, kept[0].find("line 3"));
    EXPECT_NE(std::string::npos, kept[1].find("line 4"));
    EXPECT_EQ(1, log->Trim(0));
    EXPECT_TRUE(all().empty());
}

TEST_F(LogTest, ReleaseInstanceGivesAFreshLog) {
    EXPECT_EQ(log, TLogStrVect::Instance());
    log->SetMask(0xFF);
    log->PrintStr(sgLogLevelErrs, "old");

    TLogStrVect::ReleaseInstance();
    log = TLogStrVect::Instance();
    EXPECT_TRUE(all().empty());
    log->PrintStr(sgLogLevelErrs, "mask is 0 again");
    EXPECT_TRUE(all().empty());
}

TEST_F(LogTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 8;
    constexpr int kWrites = 10'000;
    log->SetMask(0xFF);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < kWrites; ++i)
                TLogStrVect::Instance()->Print(sgLogLevelDebug, "writer %d line %d", t, i);
        });
    for (auto& w : writers) w.join();

    const auto lines = all();
    ASSERT_EQ(static_cast<std::size_t>(kThreads * kWrites), lines.size());
    const std::string prefix = std::string(kFixedStamp) + " DBG  writer ";
    std::vector<int> next(kThreads, 0);  // each writer's lines stay in its own order
    for (const auto& line : lines) {
        ASSERT_EQ(0u, line.rfind(prefix, 0)) << line;
        int t = -1, i = -1;
        ASSERT_EQ(2, std::sscanf(line.c_str() + prefix.size(), "%d line %d", &t, &i)) << line;
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        EXPECT_EQ(next[t]++, i);
        EXPECT_EQ(prefix + std::to_string(t) + " line " + std::to_string(i) + "\n", line);
    }
}

}  // namespace

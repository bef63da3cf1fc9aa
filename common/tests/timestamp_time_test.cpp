#include "common/timestamp_time.h"

#include <gtest/gtest.h>

namespace {

WORD millisecondsOf(const std::string& text) {
    const FILETIME t = ParseGeneralizedTime(text);
    SYSTEMTIME s{};
    EXPECT_TRUE(FileTimeToSystemTime(&t, &s)) << text;
    return s.wMilliseconds;
}

bool isNone(const FILETIME& t) { return t.dwLowDateTime == 0 && t.dwHighDateTime == 0; }

TEST(ParseGeneralizedTime, ReadsUtcWithOrWithoutAFraction) {
    const FILETIME t = ParseGeneralizedTime("20240229235958Z");
    SYSTEMTIME s{};
    ASSERT_TRUE(FileTimeToSystemTime(&t, &s));
    EXPECT_EQ(2024, s.wYear);
    EXPECT_EQ(2, s.wMonth);
    EXPECT_EQ(29, s.wDay);
    EXPECT_EQ(23, s.wHour);
    EXPECT_EQ(59, s.wMinute);
    EXPECT_EQ(58, s.wSecond);
    EXPECT_EQ(0, s.wMilliseconds);
    EXPECT_EQ(500, millisecondsOf("20240229235958.5Z"));
    EXPECT_EQ(250, millisecondsOf("20240229235958.25Z"));
    EXPECT_EQ(125, millisecondsOf("20240229235958.125Z"));
    EXPECT_EQ(123, millisecondsOf("20240229235958.123456Z"));
}

TEST(ParseGeneralizedTime, AnythingElseIsNoTime) {
    for (const char* text :
         {"", "2024", "20240229235958", "20240229235958+0100", "20240229235958.Z", "20240229235958.5",
          "2024022923595xZ", "20241301000000Z", "20230229000000Z", "20240229235958Zjunk"})
        EXPECT_TRUE(isNone(ParseGeneralizedTime(text))) << text;
}

}  // namespace

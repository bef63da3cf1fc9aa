#include "common/config_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::istringstream config(const std::string& text) { return std::istringstream(text); }

TEST(CfgGetValue, FindsTheKeyInItsSection) {
    auto in = config("[general]\nname=first\n\n[server]\r\nurl= https://x/ \r\r\nport=443\n");
    std::string value;
    ASSERT_TRUE(CfgGetValue(in, "server", "url", value));
    EXPECT_EQ(" https://x/ ", value);
    ASSERT_TRUE(CfgGetValue(in, "general", "name", value));  // the same stream again
    EXPECT_EQ("first", value);
    ASSERT_TRUE(CfgGetValue(in, "server", "port", value));
    EXPECT_EQ("443", value);
}

TEST(CfgGetValue, KeysOutsideTheSectionAreNotFound) {
    auto in = config("port=1\n[server]\nurl=u\n[other]\nport=2\n[server]\nport=3\n");
    std::string value = "unchanged";
    EXPECT_FALSE(CfgGetValue(in, "server", "port", value));
    EXPECT_FALSE(CfgGetValue(in, "missing", "url", value));
    EXPECT_EQ("unchanged", value);
}

TEST(CfgGetValue, HeadersAndKeysMatchExactly) {
    auto in = config("[server] \nurl=a\n[Server]\nurl=b\n[server]\nurlx=c\nURL=d\nurl=\nurl=e\n");
    std::string value = "x";
    ASSERT_TRUE(CfgGetValue(in, "server", "url", value));
    EXPECT_EQ("", value);  // the first line of the key wins, even when empty
}

TEST(CfgGetIntValue, ReadsALeadingSignedNumber) {
    auto in = config("[a]\nn= -42 apples\np=+7\nq=12abc\n");
    INT value = 5;
    ASSERT_TRUE(CfgGetIntValue(in, "a", "n", value));
    EXPECT_EQ(-42, value);
    ASSERT_TRUE(CfgGetIntValue(in, "a", "p", value));
    EXPECT_EQ(7, value);
    ASSERT_TRUE(CfgGetIntValue(in, "a", "q", value));
    EXPECT_EQ(12, value);
}

TEST(CfgGetIntValue, AFoundNonNumberReadsAsZeroAndAMissingKeyLeavesTheValue) {
    auto in = config("[a]\nbad=x1\nbig=99999999999\n");
    INT value = 5;
    EXPECT_FALSE(CfgGetIntValue(in, "a", "none", value));
    EXPECT_EQ(5, value);
    ASSERT_TRUE(CfgGetIntValue(in, "a", "bad", value));
    EXPECT_EQ(0, value);
    ASSERT_TRUE(CfgGetIntValue(in, "a", "big", value));
    EXPECT_EQ(2147483647, value);
}

}  // namespace

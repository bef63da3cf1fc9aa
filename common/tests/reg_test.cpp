#include "common/reg.h"

#include <gtest/gtest.h>

#include <string>

#include "testkit/platform_root.h"
#include "win32/error.h"

namespace {

constexpr const char* kKey = "Software\\Tesk\\helpers";

class CRegTest : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
};

TEST_F(CRegTest, EveryValueOperationFailsWithoutAKey) {
    CReg reg;
    char buffer[16] = {};
    DWORD value = 7;
    EXPECT_FALSE(reg.QueryString("a", buffer, sizeof buffer));
    EXPECT_FALSE(reg.SetString("a", "x"));
    EXPECT_FALSE(reg.QueryDword("a", value));
    EXPECT_FALSE(reg.QueryDword(u"a", value));
    EXPECT_FALSE(reg.SetDword("a", 1));
    EXPECT_FALSE(reg.DeleteValue("a"));
    EXPECT_EQ(7u, value);

    ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
    EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, "Software\\Tesk\\missing", false));
    EXPECT_FALSE(reg.SetDword("a", 1));  // the failed open dropped the key
}

TEST_F(CRegTest, ValuesWrittenAreReadBackAndDeleted) {
    {
        CReg reg;
        ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
        EXPECT_TRUE(reg.SetString("name", "Tesk"));
        EXPECT_TRUE(reg.SetDword("ncerts", 3));
    }
    CReg reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey, false));
    char buffer[16] = {};
    ASSERT_TRUE(reg.QueryString("name", buffer, sizeof buffer));
    EXPECT_STREQ("Tesk", buffer);
    DWORD value = 0;
    ASSERT_TRUE(reg.QueryDword("ncerts", value));
    EXPECT_EQ(3u, value);
    ASSERT_TRUE(reg.QueryDword(u"ncerts", value));
    EXPECT_EQ(3u, value);
    EXPECT_TRUE(reg.DeleteValue("ncerts"));
    EXPECT_FALSE(reg.DeleteValue("ncerts"));
    EXPECT_FALSE(reg.QueryDword("ncerts", value));
}

TEST_F(CRegTest, ReadOnlyKeyRefusesWritesAndSaysWhy) {
    CReg reg;
    ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, u"Software\\Tesk\\helpers", true));
    SetLastError(0);
    EXPECT_FALSE(reg.SetDword("a", 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey, false));
    EXPECT_TRUE(reg.SetDword("a", 1));
}

TEST_F(CRegTest, QueryStringLeavesRoomForTheTerminator) {
    CReg reg;
    ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(reg.SetString("name", "Tesk"));  // 5 bytes with the NUL
    char exact[6] = {};
    EXPECT_TRUE(reg.QueryString("name", exact, sizeof exact));
    EXPECT_STREQ("Tesk", exact);
    char shortBuffer[5] = {};
    EXPECT_FALSE(reg.QueryString("name", shortBuffer, sizeof shortBuffer));
    char none[1] = {'*'};
    EXPECT_FALSE(reg.QueryString("name", none, 0));
    EXPECT_EQ('*', none[0]);
}

TEST_F(CRegTest, QueryStringAsWideTextReadsAtMost1023BytesOfAnsiText) {
    CReg reg;
    ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(reg.SetString("name", "\xD8" "e\x9E"));  // "Řež" in Windows-1250
    ASSERT_TRUE(reg.SetString("fits", std::string(1022, 'v').c_str()));
    ASSERT_TRUE(reg.SetString("long", std::string(1023, 'v').c_str()));
    std::u16string out = u"kept";
    ASSERT_TRUE(reg.QueryString("name", out));
    EXPECT_EQ(u"Řež", out);
    ASSERT_TRUE(reg.QueryString("fits", out));
    EXPECT_EQ(std::u16string(1022, u'v'), out);
    out = u"kept";
    EXPECT_FALSE(reg.QueryString("long", out));
    EXPECT_FALSE(reg.QueryString("missing", out));
    EXPECT_EQ(u"kept", out);
}

TEST_F(CRegTest, QueryStringValueReadsTheWholeValue) {
    CReg reg;
    ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
    const std::string longText(20000, 'p');
    ASSERT_TRUE(reg.SetString("long", longText.c_str()));
    ASSERT_TRUE(reg.SetString("empty", ""));
    std::string out = "old";
    ASSERT_TRUE(reg.QueryStringValue("long", out));
    EXPECT_EQ(longText, out);
    ASSERT_TRUE(reg.QueryStringValue("empty", out));
    EXPECT_EQ("", out);

    out = "kept";
    SetLastError(0);
    EXPECT_FALSE(reg.QueryStringValue("missing", out));
    EXPECT_EQ("kept", out);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(CRegTest, NarrowDwordReadIgnoresTheTypeAndTheWideOneDoesNot) {
    CReg reg;
    ASSERT_TRUE(reg.Create(HKEY_CURRENT_USER, kKey));
    ASSERT_TRUE(reg.SetString("text", "abc"));  // 4 bytes of REG_SZ
    DWORD value = 0;
    ASSERT_TRUE(reg.QueryDword("text", value));
    EXPECT_EQ(0x00636261u, value);
    value = 5;
    EXPECT_FALSE(reg.QueryDword(u"text", value));
    EXPECT_EQ(5u, value);
}

}  // namespace

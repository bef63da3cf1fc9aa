// The message table class: languages, lookups, error texts, formatting
// limits and plural forms, over the signing component's table and over a
// table of a caller's own.
#include "common/resource.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace {

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override { TResource::ReleaseInstance(); }
    void TearDown() override { TResource::ReleaseInstance(); }

    TResource& table() { return *TResource::Instance(); }
};

TEST_F(ResourceTest, LanguageChangesOnlyToKnownIndexes) {
    EXPECT_EQ("CZ", table().GetLanguageStr());
    EXPECT_TRUE(table().SetLanguage(1));
    EXPECT_EQ("SK", table().GetLanguageStr());
    EXPECT_FALSE(table().SetLanguage(3));
    EXPECT_FALSE(table().SetLanguage(-1));
    EXPECT_EQ("SK", table().GetLanguageStr());
    EXPECT_EQ(1, table().GetLanguage());
    EXPECT_TRUE(table().SetLanguage(2));
    EXPECT_EQ("EN", table().GetLanguageStr());
    EXPECT_EQ("&Yes", table().GetString(5));

    TResource::ReleaseInstance();
    EXPECT_EQ("CZ", table().GetLanguageStr());
    EXPECT_EQ("&Ano", table().GetString(5));
}

TEST_F(ResourceTest, TextsAreWindows1250) {
    // "&Áno": Á is the single byte 0xC1 in Windows-1250.
    EXPECT_EQ("&\xC1no", table().Lookup(5, 1));
    EXPECT_EQ("zbývá %i den", platform::text::ansiToUtf8(table().Lookup(38, 0)));
}

TEST_F(ResourceTest, LookupFallsBackToCzechAndGivesEmptyForUnknownIds) {
    EXPECT_EQ(table().Lookup(4, 0), table().Lookup(4, 5));
    EXPECT_EQ(table().Lookup(4, 0), table().Lookup(4, -1));
    EXPECT_EQ("&Nie", table().Lookup(4, 1));
    EXPECT_EQ("", table().Lookup(61, 2));
    EXPECT_EQ("", table().Lookup(10001, 2));
}

TEST_F(ResourceTest, FormatMessageTextsOfErrorNumbers) {
    table().SetLanguage(2);
    std::string out = "stale";
    table().FormatMessage(out, 0);
    EXPECT_EQ("Completed successfully.", out);
    table().FormatMessage(out, 5000, "Zintra CSP");
    EXPECT_EQ("Cannot use the required CSP 'Zintra CSP'.", out);

    for (const int missing : {1, 10000, 10001, -1}) {
        out = "stale";
        table().FormatMessage(out, missing);
        EXPECT_EQ("", out) << missing;
    }
}

TEST_F(ResourceTest, FormatStringCutsAtTheLimit) {
    table().SetLanguage(2);
    std::string out;
    table().FormatString(out, 11, "SHA-256");
    EXPECT_EQ("The SHA-256 hash result:", out);

    const std::string longName(2000, 'x');
    table().FormatString(out, 11, longName.c_str());
    EXPECT_EQ(TResource::kMaxFormatLength, out.size());
    EXPECT_EQ("The " + longName.substr(0, TResource::kMaxFormatLength - 4), out);

    table().FormatString(out, 61);
    EXPECT_EQ("", out);
}

TEST_F(ResourceTest, FormatByKindPicksTheCzechPluralForm) {
    std::string out;
    table().FormatByKind(out, 2, 38, 40, 39);
    EXPECT_EQ("zbývají 2 dny", platform::text::ansiToUtf8(out));
    table().FormatByKind(out, 1, 38, 40, 39);
    EXPECT_EQ("zbývá 1 den", platform::text::ansiToUtf8(out));
    table().FormatByKind(out, 5, 38, 40, 39);
    EXPECT_EQ("zbývá 5 dnů", platform::text::ansiToUtf8(out));
}

TEST(ResourceOwnTable, BuiltFromTheRowsPassedIn) {
    const TResourceRow rows[] = {
        {1, "one %i", "jeden %i", "one %i (en)"},
        {2, "few %i", nullptr, "few %i (en)"},
        {3, "many %i", "mnoho %i", nullptr},
    };
    TResource own(rows);
    EXPECT_EQ("", own.Lookup(2, 1));
    EXPECT_EQ("", own.Lookup(3, 2));
    EXPECT_EQ("", own.Lookup(10000, 0));  // nothing of the signing component's table

    std::string out;
    const auto kind = [&](int count) {
        own.FormatByKind(out, count, 1, 2, 3);
        return out;
    };
    EXPECT_EQ("one 1", kind(1));
    for (const int few : {2, 3, 4}) EXPECT_EQ("few " + std::to_string(few), kind(few));
    for (const int many : {0, 5, 11, -1}) EXPECT_EQ("many " + std::to_string(many), kind(many));
}

}  // namespace

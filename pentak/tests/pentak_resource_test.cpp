// The library's message table: texts in the three languages, languages
// chosen by code, formatted texts and their limit.
#include "pentak_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace {

class PentakResourceTest : public ::testing::Test {
protected:
    void SetUp() override { TPentakResource::ReleaseInstance(); }
    void TearDown() override { TPentakResource::ReleaseInstance(); }

    static TPentakResource& table() { return *TPentakResource::Instance(); }
};

TEST_F(PentakResourceTest, TextsKeepTheirDiacriticsInEveryLanguage) {
    EXPECT_EQ(u"Přejete si tuto akci provést?", table().GetString(7));
    EXPECT_EQ(u"&Áno", table().Lookup(2, 1));
    EXPECT_EQ(u"Čítačka", table().Lookup(17, 1));
    EXPECT_EQ(u"Delete key set", table().Lookup(9, 2));
    EXPECT_EQ(u"Název kontejneru: %s\n", table().Lookup(25, 3));  // no such language: Czech
    EXPECT_EQ(u"", table().Lookup(26, 0));
    EXPECT_EQ(u"", table().Lookup(-1, 0));
}

TEST_F(PentakResourceTest, LanguagesAreChosenByCodeInAnyCase) {
    EXPECT_EQ(u"CS", table().GetLanguageStr());
    EXPECT_TRUE(table().SetLanguageStr(u"en"));
    EXPECT_EQ(u"EN", table().GetLanguageStr());
    EXPECT_TRUE(table().SetLanguageStr(u"Sk"));
    EXPECT_EQ(u"SK", table().GetLanguageStr());
    for (const std::u16string_view refused : {u"de", u"", u"CZ", u"sk "}) EXPECT_FALSE(table().SetLanguageStr(refused));
    EXPECT_FALSE(table().SetLanguage(3));
    EXPECT_EQ(u"&Nie", table().GetString(1));
}

TEST_F(PentakResourceTest, FormatTextFillsTheCurrentLanguagesTextAndCutsIt) {
    ASSERT_TRUE(table().SetLanguageStr(u"EN"));
    EXPECT_EQ(u"Do you want to delete the key container with the name \"abc\"?\n"
              u"All key pairs in the key container are also destroyed.",
              table().FormatText(8, u"abc"));

    const std::u16string subject(3000, u'ř');
    const std::u16string cut = table().FormatText(21, subject.c_str());
    EXPECT_EQ(TPentakResource::kMaxFormatLength, cut.size());
    const std::u16string start = u"Do you want to delete the expired root certificate?\nCertificate subject: řř";
    EXPECT_EQ(start, cut.substr(0, start.size()));
    EXPECT_EQ(u'ř', cut.back());
    EXPECT_EQ(u"", table().FormatText(99, u"abc"));
}

// Callers format a row's text with one argument list whatever the language.
TEST(PentakMessageTable, RowsAreNumberedFromZeroAndAgreeOnTheirPlaceholders) {
    const auto rows = PentakMessageTable();
    int expectedId = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(expectedId++, row.id);
        const auto placeholders = [](std::string_view text) {
            return std::count(text.begin(), text.end(), '%');
        };
        EXPECT_EQ(placeholders(row.en), placeholders(row.cz)) << row.id;
        EXPECT_EQ(placeholders(row.en), placeholders(row.sk)) << row.id;
    }
    EXPECT_EQ(26, expectedId);
}

}  // namespace

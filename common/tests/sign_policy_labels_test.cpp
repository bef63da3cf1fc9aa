// The policy label table: its texts in the three languages, as the
// Windows-1250 bytes the policy tree shows, and its empty cells.
#include "common/sign_policy_labels.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

constexpr DWORD kCzech = 0;
constexpr DWORD kSlovak = 1;
constexpr DWORD kEnglish = 2;

std::string Ansi(const char* utf8) { return platform::text::utf8ToAnsi(utf8); }

TEST(SignPolicyLabels, EnglishTextsAsTheTreeHasAlwaysShownThem) {
    EXPECT_EQ("Signature Policy", SignPolicyLabels::Get(kEnglish, 1));
    EXPECT_EQ("Policy Abstract", SignPolicyLabels::Get(kEnglish, 3));
    EXPECT_EQ("Common Rules", SignPolicyLabels::Get(kEnglish, 23));
    EXPECT_EQ("Mandatory included Attributes \x96 signed", SignPolicyLabels::Get(kEnglish, 35));
    EXPECT_EQ("Mandatory included Attributes \x96 unsigned", SignPolicyLabels::Get(kEnglish, 36));
    EXPECT_EQ("only by CRL (or ARL", SignPolicyLabels::Get(kEnglish, 67));
    EXPECT_EQ("Days", SignPolicyLabels::Get(kEnglish, 77));
    EXPECT_EQ("Excluded Name Sub trees", SignPolicyLabels::Get(kEnglish, 100));
}

TEST(SignPolicyLabels, CzechAndSlovakTextsInWindows1250) {
    EXPECT_EQ("Podpisov\xE1 politika", SignPolicyLabels::Get(kCzech, 1));
    EXPECT_EQ("Podpisov\xE1 politika", SignPolicyLabels::Get(kSlovak, 1));
    EXPECT_EQ(Ansi("Algoritmus otisku"), SignPolicyLabels::Get(kCzech, 2));
    EXPECT_EQ(Ansi("Algoritmus odtlačku"), SignPolicyLabels::Get(kSlovak, 2));
    EXPECT_EQ(Ansi("Obsah politiky"), SignPolicyLabels::Get(kSlovak, 3));
    EXPECT_EQ(Ansi("Otisk (hash) politiky"), SignPolicyLabels::Get(kCzech, 4));
    EXPECT_EQ(Ansi("Dátum a čas vydania"), SignPolicyLabels::Get(kSlovak, 8));
    EXPECT_EQ(Ansi("Všechna pravidla"), SignPolicyLabels::Get(kCzech, 23));
    EXPECT_EQ(Ansi("Všetky pravidlá"), SignPolicyLabels::Get(kSlovak, 23));
    EXPECT_EQ("Od", SignPolicyLabels::Get(kCzech, 25));
    EXPECT_EQ("Do", SignPolicyLabels::Get(kSlovak, 26));
    EXPECT_EQ(Ansi("žádné"), SignPolicyLabels::Get(kCzech, 43));
    EXPECT_EQ(Ansi("Overovacie oneskorenie"), SignPolicyLabels::Get(kSlovak, 49));
    EXPECT_EQ(Ansi("Vteřiny"), SignPolicyLabels::Get(kCzech, 74));
    EXPECT_EQ("Dni", SignPolicyLabels::Get(kSlovak, 77));
    EXPECT_EQ(Ansi("Nepovolené podstromy jmen"), SignPolicyLabels::Get(kCzech, 100));
    EXPECT_EQ(Ansi("Nepovolené podstromy mien"), SignPolicyLabels::Get(kSlovak, 100));
}

// Every row with an English text has a Czech and a Slovak one; rows 0, 5, 6
// and 13 to 21 are empty in all three languages.
TEST(SignPolicyLabels, EveryRowIsFilledInAllLanguagesOrInNone) {
    for (DWORD id = 0; id < SignPolicyLabels::kLabelCount; ++id) {
        const bool empty = id == 0 || id == 5 || id == 6 || (id >= 13 && id <= 21);
        for (DWORD language : {kCzech, kSlovak, kEnglish})
            EXPECT_EQ(empty, SignPolicyLabels::Get(language, id).empty()) << "id " << id << " language " << language;
    }
}

TEST(SignPolicyLabels, IdOrLanguageBeyondTheTableIsEmpty) {
    EXPECT_TRUE(SignPolicyLabels::Get(kEnglish, 101).empty());
    EXPECT_TRUE(SignPolicyLabels::Get(3, 1).empty());
    EXPECT_TRUE(SignPolicyLabels::Get(0xFFFFFFFF, 0xFFFFFFFF).empty());
}

}  // namespace

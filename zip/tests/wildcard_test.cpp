// ZipKit::CWildcard: stars, question marks, classes and escapes, with and
// without case, and patterns that would be exponential for a naive matcher.
#include <gtest/gtest.h>

#include <chrono>

#include "zip/zip_wildcard.h"

namespace {

struct Case {
    const char* pattern;
    const char* text;
    bool matches;
};

bool matches(const char* pattern, const std::string& text, bool caseSensitive = true) {
    return ZipKit::CWildcard(CZipString(pattern), caseSensitive).Matches(CZipString(text));
}

}  // namespace

TEST(Wildcard, MatchesAsTheContainerPatternsNeed) {
    const Case cases[] = {
        {"*", "", true}, {"*", "anything\\at all", true}, {"", "", true}, {"", "a", false},
        {"?", "", false}, {"?", "x", true}, {"a?c", "abc", true}, {"a?c", "ac", false},
        {"*.txt", "a.txt", true}, {"*.txt", "dir\\a.txt", true}, {"*.txt", "a.txt2", false},
        {"**", "", true}, {"a**", "a", true}, {"*a*b", "xaxxb", true}, {"*a*b", "xaxxbx", false},
        {"[a-c]x", "bx", true}, {"[c-a]x", "bx", true}, {"[!a-c]x", "bx", false}, {"[^a-c]x", "dx", true},
        {"[abc]", "c", true}, {"[abc]", "d", false}, {"x[]y", "x]y", false}, {"[a-", "a", false},
        {"a\\*", "a*", true}, {"a\\*", "ab", false}, {"dir\\*.txt", "dir*.txt", true},
        {"dir\\*.txt", "dir\\a.txt", false}, {"a\\\\b", "a\\b", true}, {"[\\]]", "]", true},
        {"D[0-9][0-9]Z\\\\S*.p7s", "D12Z\\S20261207211554Z.p7s", true},
        {"D[0-9][0-9]Z\\\\S*.p7s", "D12Z\\M20261207211554Z.eml", false},
        {"D[0-9][0-9]Z\\\\*", "D1xZ\\doc.xml", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.matches, matches(c.pattern, c.text)) << c.pattern << " / " << c.text;
}

TEST(Wildcard, CaseInsensitiveMatchingFoldsBothSides) {
    EXPECT_TRUE(matches("*.TXT", "a.txt", false));
    EXPECT_FALSE(matches("*.TXT", "a.txt", true));
    EXPECT_TRUE(matches("[A-Z]", "q", false));
    EXPECT_TRUE(matches("doc.XML", "DOC.xml", false));
}

// Characters above 0x7F order as unsigned values in ranges.
TEST(Wildcard, RangesCompareCharactersUnsigned) {
    EXPECT_TRUE(matches("[\xC0-\xFE]", "\xC8"));
    EXPECT_FALSE(matches("[\xC0-\xFE]", "a"));
    EXPECT_FALSE(matches("[a-\xFE]", "\x10"));
}

TEST(Wildcard, ManyStarsStayFast) {
    const std::string text(20000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(matches("*a*a*a*a*a*a*b", text));
    EXPECT_TRUE(matches("*a*a*a*a*a*a*", text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

#include "common/strings.h"

#include <gtest/gtest.h>

#include "testkit/growth.h"

#include <string>
#include <vector>

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    ReplaceAll(text, from, to);
    return text;
}

std::string erased(std::string text, const std::string& what) {
    EraseAll(text, what);
    return text;
}

TEST(ReplaceAndErase, EveryOccurrenceAndNoEndlessLoops) {
    EXPECT_EQ("a-b-c", replaced("a, b, c", ", ", "-"));
    EXPECT_EQ("abab", replaced("aa", "a", "ab"));  // to contains from
    EXPECT_EQ("%%s%%", replaced("%s%", "%", "%%"));
    EXPECT_EQ("text", replaced("text", "", "x"));
    EXPECT_EQ("", erased("aabb", "ab"));  // a removal that joins a new occurrence
    EXPECT_EQ("text", erased("text", ""));
}

TEST(ReplaceAndErase, ALongTextCostsNoMoreThanItsLength) {
    // A PEM's line breaks go, and a text's breaks become two characters.
    EXPECT_TRUE(testkit::GrowsLinearly(
        [](std::size_t lines) {
            std::string text;
            for (std::size_t i = 0; i < lines; ++i) text += "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEAu1SU1LfVLPHCozMxH2Mo\n";
            return [text, lines] {
                EXPECT_EQ(text.size() - lines, erased(text, "\n").size());
                EXPECT_EQ(text.size() + lines, replaced(text, "\n", "\r\n").size());
            };
        },
        5'000));
}

TEST(FindSubstring, FirstOrLastWithItsEnd) {
    std::size_t end = 99;
    EXPECT_EQ(1u, FindSubstring("abcabc", "bc", &end, false));
    EXPECT_EQ(3u, end);
    EXPECT_EQ(4u, FindSubstring("abcabc", "bc", &end, true));
    EXPECT_EQ(6u, end);
    EXPECT_EQ(std::string::npos, FindSubstring("abcabc", "x", &end, false));
    EXPECT_EQ(std::string::npos, end);
    end = 99;
    EXPECT_EQ(std::string::npos, FindSubstring("abc", "", &end, false));
    EXPECT_EQ(std::string::npos, FindSubstring("abc", nullptr, &end, true));
    EXPECT_EQ(99u, end);
}

TEST(Trim, SetCharactersAtTheEnds) {
    std::string text = " \t x y \r\n";
    TrimLeft(text, " \t");
    EXPECT_EQ("x y \r\n", text);
    TrimRight(text, "\r\n ");
    EXPECT_EQ("x y", text);
    std::string only = "   ";
    TrimLeft(only, " ");
    EXPECT_EQ("", only);
    std::string kept = "  a  ";
    StrTrim(kept, nullptr);
    EXPECT_EQ("  a  ", kept);
    StrTrim(kept, " ");
    EXPECT_EQ("a", kept);
}

TEST(CaseInsensitiveFind, IgnoresCaseInTheAnsiPage) {
    EXPECT_TRUE(CaseInsensitiveFind("Qualified CERTIFICATE", "certificate"));
    EXPECT_TRUE(CaseInsensitiveFind("\xC8\x45SK\xC1", "\xE8\x65sk"));  // "ČESKÁ" / "česk" in Windows-1250
    EXPECT_FALSE(CaseInsensitiveFind("abc", "abd"));
    EXPECT_FALSE(CaseInsensitiveFind("", "a"));
    EXPECT_FALSE(CaseInsensitiveFind("a", ""));
    EXPECT_EQ("ABC-1Z", ToUpper("aBc-1z"));
}

TEST(SplitString, PiecesBetweenWholeSeparatorsAppended) {
    std::vector<std::string> skip;
    EXPECT_TRUE(SplitString("a;b;", ";", skip, true));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), skip);
    std::vector<std::string> keep{"old"};
    EXPECT_TRUE(SplitString("a;b;", ";", keep, false));
    EXPECT_EQ((std::vector<std::string>{"old", "a", "b", ""}), keep);
    std::vector<std::string> multi;
    EXPECT_TRUE(SplitString("1;;2;3", ";;", multi, true));
    EXPECT_EQ((std::vector<std::string>{"1", "2;3"}), multi);
    std::vector<std::u16string> wide;
    EXPECT_TRUE(SplitString(u"a;b;", u";", wide, false));
    EXPECT_EQ((std::vector<std::u16string>{u"a", u"b", u""}), wide);
}

TEST(SplitString, EmptyTextOrSeparatorLeavesOutAlone) {
    std::vector<std::string> out{"x"};
    EXPECT_FALSE(SplitString("", ";", out, false));
    EXPECT_FALSE(SplitString("a", "", out, false));
    EXPECT_EQ(std::vector<std::string>{"x"}, out);
}

TEST(HexText, ToNumbersAndBytes) {
    EXPECT_EQ(31, HexToInt("0x1f"));
    EXPECT_EQ(31, HexToInt("1F"));
    EXPECT_EQ(31, HexToInt("ab0X1f"));
    EXPECT_EQ(-1, HexToInt("ffffffff"));
    EXPECT_EQ(0x23456789, HexToInt("123456789"));  // the ninth digit wraps out
    EXPECT_EQ(16 * ('g' - '0'), HexToInt("g0"));   // no validation
    std::vector<BYTE> out{0x01};
    EXPECT_EQ(4u, HexToBytes("0aFF7", out));
    EXPECT_EQ((std::vector<BYTE>{0x01, 0x0A, 0xFF, 0x07}), out);
    EXPECT_EQ(0u, HexToBytes("", out));
}

TEST(HexText, FromBytes) {
    const BYTE bytes[] = {0x00, 0xAB, 0x10, 0xFF, 0x7E};
    EXPECT_EQ("00ab10ff7e", BytesToHex(bytes, 5));
    EXPECT_EQ("00ab 10ff 7e", BytesToHex(bytes, 5, 2, " "));
    EXPECT_EQ("00ab10ff7e", BytesToHex(bytes, 5, 0, ":"));  // group size 0: no grouping
    EXPECT_EQ(u"00ab-10ff-7e", BytesToHex(bytes, 5, 2, u"-"));
    std::string out = "old";
    EXPECT_EQ("00 AB 10 FF 7E", BytesToHexGrouped(bytes, 5, true, out));
    EXPECT_EQ("00AB10FF7E", BytesToHexGrouped(bytes, 5, false, out));
    EXPECT_EQ("4294967295", ULongToStr(0xFFFFFFFFu));
}

TEST(JoinStringList, ObjectIdentifierText) {
    EXPECT_EQ("1.2.840.113549", JoinStringList({0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D}, "."));
    EXPECT_EQ("0.4.0.1862.1.4", JoinStringList({0x04, 0x00, 0x8E, 0x46, 0x01, 0x04}, "."));
    EXPECT_EQ("2-999", JoinStringList({0x88, 0x37}, "-"));
    // Arcs of any size are exact (contents as openssl asn1parse -genstr makes
    // them): 2^32, 2^64 - 1, 2^64, a first group of 2^64 holding 2 and
    // 2^64 - 80, and a UUID arc of 128 bits.
    EXPECT_EQ("1.2.4294967296", JoinStringList({0x2A, 0x90, 0x80, 0x80, 0x80, 0x00}, "."));
    EXPECT_EQ("2.25.18446744073709551615",
              JoinStringList({0x69, 0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, "."));
    EXPECT_EQ("1.2.18446744073709551616",
              JoinStringList({0x2A, 0x82, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, "."));
    EXPECT_EQ("2.18446744073709551536",
              JoinStringList({0x82, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, "."));
    EXPECT_EQ("2.25.329800735698586629295641978511506172918",
              JoinStringList({0x69, 0x83, 0xF0, 0x9D, 0xA7, 0xEB, 0xCF, 0xDE, 0xE0, 0xC7, 0xA1,
                              0xA7, 0xB2, 0xC0, 0x94, 0x8C, 0xC8, 0xF9, 0xD7, 0x76},
                             "."));
}

TEST(JoinStringList, EmptyTruncatedOrOversizedInputGivesNothing) {
    EXPECT_EQ("", JoinStringList({}, "."));
    EXPECT_EQ("", JoinStringList({0x2A, 0x86}, "."));
    EXPECT_EQ("", JoinStringList({0x69, 0x82, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}, "."));
    // 256 bytes of content are read, one more is refused.
    std::vector<int> longest(256, 0x01);
    longest[0] = 0x2A;
    std::string expected = "1.2";
    for (int i = 1; i < 256; ++i) expected += ".1";
    EXPECT_EQ(expected, JoinStringList(longest, "."));
    longest.push_back(0x01);
    EXPECT_EQ("", JoinStringList(longest, "."));
}

}  // namespace

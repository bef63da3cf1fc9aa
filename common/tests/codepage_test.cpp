#include "common/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "testkit/process.h"

namespace {

const std::string kCzechUtf8 =
    "P\xC5\x99\xC3\xAD\x6C\x69\xC5\xA1 \xC5\xBE\x6C\x75\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88";
const std::u16string kCzechWide = u"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148";
// The same text in Windows-1250.
const std::string kCzechAnsi = "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2";

TEST(String2WideChar, ConvertsFromTheGivenPage) {
    EXPECT_EQ(kCzechWide, String2WideChar(kCzechAnsi.c_str(), static_cast<int>(kCzechAnsi.size()), CP_ACP));
    EXPECT_EQ(kCzechWide, String2WideChar(kCzechUtf8.c_str(), -1, CP_UTF8));
}

TEST(String2WideChar, EndsAtTheFirstNulAndFailsEmpty) {
    EXPECT_EQ(u"ab", String2WideChar("ab\0cd", 5, CP_ACP));
    EXPECT_EQ(u"", String2WideChar("abc", 3, 12345));  // no such code page
}

TEST(MultiByteToWide, WholeTextOrEmpty) {
    EXPECT_EQ(kCzechWide, MultiByteToWide(kCzechAnsi, CP_ACP));
    EXPECT_EQ(kCzechWide, MultiByteToWide(kCzechUtf8, CP_UTF8));
    EXPECT_EQ(u"", MultiByteToWide("", CP_UTF8));
}

// UTF-8 keeps every character; 1250 loses what it lacks; the euro sign has
// a different place in 1250 and 1252.
TEST(WideToMultiByte, ToAChosenPage) {
    const std::u16string mixed = kCzechWide + u" \u20AC \u4E2D\U0001F600";
    const std::string utf8 = WideToMultiByte(mixed.c_str(), static_cast<int>(mixed.size()), CP_UTF8);
    EXPECT_EQ(kCzechUtf8 + " \xE2\x82\xAC \xE4\xB8\xAD\xF0\x9F\x98\x80", utf8);
    EXPECT_EQ(mixed, MultiByteToWide(utf8, CP_UTF8));
    EXPECT_EQ(kCzechAnsi + " \x80 ??", WideToMultiByte(mixed.c_str(), static_cast<int>(mixed.size()), 1250));
    EXPECT_EQ("", WideToMultiByte(mixed.c_str(), static_cast<int>(mixed.size()), 12345));  // no such page
}

TEST(WideToMultiByte, ToTheAnsiPage) {
    EXPECT_EQ(kCzechAnsi, WideToMultiByte(kCzechWide.c_str(), static_cast<int>(kCzechWide.size())));
    EXPECT_EQ("P\xF8", WideToMultiByte(kCzechWide.c_str(), 2));
    EXPECT_EQ("?", WideToMultiByte(u"\u4E2D", 1));  // not in the page
    EXPECT_EQ("", WideToMultiByte(nullptr, 3));
    EXPECT_EQ("", WideToMultiByte(u"abc", 0));
}

TEST(Utf8ToAnsi, AgreesWithIconv) {
    TESTKIT_REQUIRE_PROGRAM("iconv");
    testkit::RunOptions options;
    options.input = kCzechUtf8;
    const auto peer = testkit::run({"iconv", "-f", "UTF-8", "-t", "WINDOWS-1250"}, options);
    ASSERT_EQ(0, peer.exitCode) << peer.err;
    EXPECT_EQ(peer.out, Utf8ToAnsi(kCzechUtf8.c_str()));
    EXPECT_EQ(kCzechAnsi, peer.out);
}

TEST(Utf8ToAnsi, NullOrEmptyGivesEmpty) {
    EXPECT_EQ("", Utf8ToAnsi(nullptr));
    EXPECT_EQ("", Utf8ToAnsi(""));
}

}  // namespace

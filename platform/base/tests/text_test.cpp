// Code pages, UTF-8 and case mapping, checked against iconv where it has
// the same tables.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win_error.h"
#include "testkit/process.h"
#include "win32/error.h"

using namespace platform::text;

namespace {

std::string utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

const std::string kPangramUtf8 = utf8(u8"Příliš žluťoučký kůň úpěl ďábelské ódy");

struct Page {
    UINT number;
    const char* iconvName;
};
const Page kSingleBytePages[] = {{1250, "CP1250"}, {852, "CP852"}, {28592, "ISO-8859-2"}};

std::u16string wideOf(UINT page, const std::string& bytes, DWORD flags = 0) {
    std::u16string out(bytes.size() * 2 + 2, u'\0');
    const int n = MultiByteToWideChar(page, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? n : 0);
    return out;
}

std::string narrowOf(UINT page, const std::u16string& text, DWORD flags = 0) {
    std::string out(text.size() * 4 + 4, '\0');
    const int n = WideCharToMultiByte(page, flags, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

}  // namespace

TEST(SingleBytePages, EveryByteConvertsToOneUnitAndBack) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    for (const Page& page : kSingleBytePages) {
        const std::u16string wide = wideOf(page.number, all);
        ASSERT_EQ(all.size(), wide.size()) << page.number;
        EXPECT_EQ(all, narrowOf(page.number, wide)) << page.number;
    }
    // The positions Windows-1250 leaves undefined stand for the C1 controls.
    EXPECT_EQ(u"\u0081\u0083\u0088\u0090\u0098", wideOf(1250, "\x81\x83\x88\x90\x98"));
    EXPECT_EQ(u"\u20AC\u0160", wideOf(CP_ACP, "\x80\x8A"));
    EXPECT_EQ(u"\u010D", wideOf(CP_OEMCP, "\x9F"));
}

TEST(SingleBytePages, CzechTextMatchesIconv) {
    TESTKIT_REQUIRE_PROGRAM("iconv");
    const std::u16string wide = fromUtf8(kPangramUtf8);
    ASSERT_EQ(38u, wide.size());
    for (const Page& page : kSingleBytePages) {
        testkit::RunOptions options;
        options.input = kPangramUtf8;
        const auto peer = testkit::run({"iconv", "-f", "UTF-8", "-t", page.iconvName}, options);
        ASSERT_EQ(0, peer.exitCode) << peer.err;
        EXPECT_EQ(peer.out, toNarrow(wide, page.number)) << page.iconvName;
        EXPECT_EQ(wide, toWide(peer.out, page.number)) << page.iconvName;
    }
    EXPECT_EQ(kPangramUtf8, ansiToUtf8(utf8ToAnsi(kPangramUtf8)));
}

TEST(SingleBytePages, MissingCharactersBecomeTheDefaultCharacter) {
    const std::u16string text = u"a\u4E2D\U0001F600b";  // a CJK character and a surrogate pair
    BOOL used = FALSE;
    char out[8] = {};
    EXPECT_EQ(4, WideCharToMultiByte(1250, 0, text.data(), static_cast<int>(text.size()), out, 8, nullptr, &used));
    EXPECT_EQ(std::string("a??b"), std::string(out, 4));
    EXPECT_TRUE(used);

    EXPECT_EQ(4, WideCharToMultiByte(852, 0, text.data(), static_cast<int>(text.size()), out, 8, "#", &used));
    EXPECT_EQ(std::string("a##b"), std::string(out, 4));

    EXPECT_EQ(1, WideCharToMultiByte(1250, 0, u"\u010D", 1, out, 8, nullptr, &used));
    EXPECT_FALSE(used);

    // The exact form refuses what the default character would hide.
    EXPECT_EQ(std::nullopt, toNarrowExact(text, 1250));
    EXPECT_EQ(std::nullopt, toNarrowExact(u"a\xD800", CP_UTF8)) << "a lone surrogate";
    EXPECT_EQ(std::nullopt, toNarrowExact(u"a", 1201)) << "a page the layer does not know";
    EXPECT_EQ(std::optional<std::string>("\xE8\x9Ai"), toNarrowExact(u"\u010D\u0161i", CP_ACP));
}

TEST(Utf8, BadSequencesBecomeOneReplacementEach) {
    struct Case {
        const char* name;
        std::string in;
        std::u16string out;
    };
    const std::vector<Case> cases = {
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"truncated at the end", "a\xE2\x82", u"a\uFFFD"},
        {"truncated before ASCII", "\xF0\x9F\x98x", u"\uFFFDx"},
        {"lone continuation", "\x80z", u"\uFFFDz"},
        {"invalid lead byte", "\xFF", u"\uFFFD"},
        {"four bytes", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.out, wideOf(CP_UTF8, c.in)) << c.name;
        const bool valid = c.out.find(u'\uFFFD') == std::u16string::npos;
        EXPECT_EQ(valid, isValidUtf8(c.in)) << c.name;
        SetLastError(0);
        const std::u16string strict = wideOf(CP_UTF8, c.in, MB_ERR_INVALID_CHARS);
        if (valid) {
            EXPECT_EQ(c.out, strict) << c.name;
        } else {
            EXPECT_TRUE(strict.empty()) << c.name;
            EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError()) << c.name;
        }
    }
}

TEST(Utf8, LoneSurrogatesBecomeReplacementInOutput) {
    EXPECT_EQ("\xF0\x9F\x98\x80", narrowOf(CP_UTF8, u"\U0001F600"));
    EXPECT_EQ(utf8(u8"a\uFFFDb\uFFFD"), narrowOf(CP_UTF8, std::u16string{u'a', 0xD800, u'b', 0xDC00}));
    SetLastError(0);
    EXPECT_EQ("", narrowOf(CP_UTF8, std::u16string{0xDBFF}, WC_ERR_INVALID_CHARS));
    EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
}

TEST(Conversion, SizeQueriesAndShortBuffers) {
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0)) << "-1 counts the NUL";
    EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 0));
    WCHAR wide[4];
    EXPECT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 4));
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(wide));

    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

    EXPECT_EQ(3, WideCharToMultiByte(CP_UTF8, 0, u"\u010D", -1, nullptr, 0, nullptr, nullptr));
    char narrow[2];
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, u"\u010D", -1, narrow, 2, nullptr, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

TEST(Conversion, RefusesBadArguments) {
    const auto expectError = [](DWORD code, int result) {
        EXPECT_EQ(0, result);
        EXPECT_EQ(code, GetLastError());
    };
    WCHAR wide[8];
    char narrow[8];
    expectError(ERROR_INVALID_PARAMETER, MultiByteToWideChar(437, 0, "a", 1, wide, 8));
    expectError(ERROR_INVALID_PARAMETER, MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 8));
    expectError(ERROR_INVALID_PARAMETER, MultiByteToWideChar(CP_ACP, 0, nullptr, 1, wide, 8));
    expectError(ERROR_INVALID_PARAMETER, MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 8));
    expectError(ERROR_INVALID_FLAGS, MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 8));
    expectError(ERROR_INVALID_FLAGS,
                WideCharToMultiByte(1250, WC_ERR_INVALID_CHARS, u"a", 1, narrow, 8, nullptr, nullptr));
    BOOL used;
    expectError(ERROR_INVALID_PARAMETER, WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 8, nullptr, &used));
    expectError(ERROR_INVALID_PARAMETER, WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 8, "?", nullptr));
    expectError(ERROR_INVALID_PARAMETER, WideCharToMultiByte(CP_UTF8, 0, u"a", -2, narrow, 8, nullptr, nullptr));
    EXPECT_THROW(toWide("a", 437), platform::WinError);
}

TEST(Conversion, KnownPages) {
    EXPECT_EQ(1250u, GetACP());
    EXPECT_EQ(852u, GetOEMCP());
    for (const UINT page : {1250u, 852u, 28592u, 65001u, 1200u}) EXPECT_TRUE(IsValidCodePage(page)) << page;
    for (const UINT page : {0u, 437u, 1252u, 65000u}) EXPECT_FALSE(IsValidCodePage(page)) << page;
}

TEST(Conversion, Utf16LePassesThrough) {
    const std::string bytes{'\x0D', '\x01', 'a', '\0'};
    EXPECT_EQ(u"ča", toWide(bytes, CP_UTF16LE));
    EXPECT_EQ(bytes, toNarrow(u"ča", CP_UTF16LE));
    const char terminated[] = {'\x0D', '\x01', 'a', '\0', '\0', '\0'};
    EXPECT_EQ(3, MultiByteToWideChar(CP_UTF16LE, 0, terminated, -1, nullptr, 0)) << "-1 stops at a 16-bit NUL";
    EXPECT_EQ(u"\uFFFD", toWide("x", CP_UTF16LE)) << "an odd byte count";
}

TEST(CaseMapping, CoversLatinGreekAndCyrillic) {
    EXPECT_EQ(u"PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY", toUpper(fromUtf8(kPangramUtf8)));
    EXPECT_EQ(u"příliš žluťoučký kůň úpěl ďábelské ódy", toLower(u"PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY"));
    EXPECT_EQ(u"σωκράτης", toLower(u"ΣΩΚΡΆΤΗς"));
    EXPECT_EQ(u"МОСКВА Ї", toUpper(u"москва ї"));
    EXPECT_EQ(u"Ÿ", toUpper(u"ÿ"));
    EXPECT_EQ(u"i", toLower(u"İ"));
    EXPECT_EQ(u"ß中1", toUpper(u"ß中1")) << "no simple mapping: unchanged";
}

TEST(CaseMapping, NoCaseComparison) {
    EXPECT_TRUE(equalsNoCase(u"Software\\Český", u"SOFTWARE\\čESKÝ"));
    EXPECT_FALSE(equalsNoCase(u"Český", u"Češký"));
    EXPECT_FALSE(equalsNoCase(u"ab", u"abc"));
    EXPECT_EQ(0, compareNoCase(u"abc", u"ABC"));
    EXPECT_LT(compareNoCase(u"abc", u"ABD"), 0);
    EXPECT_GT(compareNoCase(u"abcd", u"ABC"), 0);
    EXPECT_LT(compareNoCase(u"a", u"_"), 0) << "folded to upper case, as Windows does";
    EXPECT_EQ(0, lstrcmpiW(u"Žluťoučký", u"ŽLUŤOUČKÝ"));
    EXPECT_EQ(0, lstrcmpiA("\x8Elu\x9D", "\x8ELU\x8D"));  // "Žluť" / "ŽLUŤ" in Windows-1250
    EXPECT_EQ(-1, lstrcmpW(u"A", u"a"));
    EXPECT_EQ(1, lstrcmpiW(u"b", nullptr));
    EXPECT_EQ(0, lstrlenW(nullptr));
    EXPECT_EQ(3, lstrlenA("abc"));
}

TEST(CaseMapping, NarrowFormsGoThroughTheAnsiPage) {
    char text[] = "\x9A\xE8 \xB5x";  // "šč µx" in Windows-1250
    EXPECT_EQ(text, CharUpperA(text));
    EXPECT_EQ(std::string("\x8A\xC8 \xB5X"), text) << "µ has no upper case in the page and stays";
    CharLowerA(text);
    EXPECT_EQ(std::string("\x9A\xE8 \xB5x"), text);

    WCHAR wide[] = u"šč";
    CharUpperW(wide);
    EXPECT_EQ(std::u16string(u"ŠČ"), wide);
    // One character in the low word of the pointer, as Windows allows.
    EXPECT_EQ(reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(u'Š')),
              CharUpperW(reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(u'š'))));
    EXPECT_EQ(reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(0x9A)),
              CharLowerA(reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(0x8A))));
}

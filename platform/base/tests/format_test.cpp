// printf formatting with the Windows rules: string widths, 32-bit 'l',
// truncation results and the wsprintf limit.
#include "platform/format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "win32/format.h"

using platform::text::format;

TEST(Format, StringWidthFollowsTheFormat) {
    // "Příliš" in UTF-16 and in Windows-1250.
    const char16_t* wide = u"Příliš";
    const char* ansi = "P\xF8\xEDli\x9A";
    EXPECT_EQ(std::string("P\xF8\xEDli\x9A|P\xF8\xEDli\x9A"), format("%s|%S", ansi, wide));
    EXPECT_EQ(std::u16string(u"Příliš|Příliš"), format(u"%s|%S", wide, ansi));
    EXPECT_EQ(std::string("ab"), format("%hs%ls", "a", u"b"));
    EXPECT_EQ(std::u16string(u"ab"), format(u"%hs%ls", "a", u"b"));
    EXPECT_EQ(std::string("x\x9A?"), format("%c%C%lc", 'x', u'š', u'中'));
    EXPECT_EQ(std::u16string(u"xš"), format(u"%c%C", u'x', '\x9A'));
    EXPECT_EQ(std::string("(null) (nu"),
              format("%s %.3S", static_cast<const char*>(nullptr), static_cast<const char16_t*>(nullptr)));
    EXPECT_EQ(std::string("[  abc][ab   ]"), format("[%5s][%-5.2s]", "abc", "abc"));
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(std::string("xy"), format("%.2s", unterminated)) << "precision bounds the read";
}

TEST(Format, IntegerSizesAreThoseOfWindows) {
    const DWORD big = 4000000000u;
    const LONG negative = -5;
    EXPECT_EQ(std::string("4000000000 -5 7"), format("%lu %ld %d", big, negative, 7));
    EXPECT_EQ(std::string("fffffffb"), format("%lx", negative));
    EXPECT_EQ(std::string("-9223372036854775808 18446744073709551615"),
              format("%I64d %I64u", static_cast<LONGLONG>(INT64_MIN), ~0ull));
    EXPECT_EQ(std::string("12345678901 12345678901 12345678901"),
              format("%lld %zu %Iu", 12345678901ll, static_cast<std::size_t>(12345678901ull),
                     static_cast<std::size_t>(12345678901ull)));
    EXPECT_EQ(std::string("-1 65535 255 -1"), format("%hd %hu %hhu %I32d", 65535, 65535, 511, -1));
}

TEST(Format, FlagsWidthAndPrecision) {
    EXPECT_EQ(std::string("[+42][ 42][42   ][00042][  042][0x2a][0X2A][052][0]"),
              format("[%+d][% d][%-5d][%05d][%5.3d][%#x][%#X][%#o][%#x]", 42, 42, 42, 42, 42, 42, 42, 42, 0));
    EXPECT_EQ(std::string("[-0042][][   7][7   ]"), format("[%05d][%.0d][%*d][%-*d]", -42, 0, 4, 7, -4, 7));
    EXPECT_EQ(std::string("[ab]"), format("[%.*s]", 2, "abc"));
    EXPECT_EQ(std::string("100%"), format("%d%%", 100));
}

TEST(Format, FloatingPointAsTheCLibrary) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%e|%.2f|%g|%10.3E|%-8.1f|%+G", 1234.5, 3.14159, 0.0001, -2.5, 1.25, 1e20);
    EXPECT_EQ(std::string(expected), format("%e|%.2f|%g|%10.3E|%-8.1f|%+G", 1234.5, 3.14159, 0.0001, -2.5, 1.25, 1e20));
    EXPECT_EQ(std::string("-001.5"), format("%06.1f", -1.5));
    // Digits asked for beyond what a double holds are zeros, made without building them.
    EXPECT_EQ(5002, _snprintf(nullptr, 0, "%.5000f", 1.0));
    const std::string many = format("%.1200f", 0.1);
    std::string reference(1300, '\0');
    reference.resize(std::snprintf(reference.data(), reference.size(), "%.1200f", 0.1));
    EXPECT_EQ(reference, many);
}

TEST(Format, PointersAsWindowsPrintsThem) {
    EXPECT_EQ(std::string("00000000DEADBEEF"), format("%p", reinterpret_cast<void*>(0xDEADBEEFull)));
}

TEST(Format, PercentNAndUnknownConversionsStopTheOutput) {
    int written = 0;
    EXPECT_EQ(std::string("before "), format("before %n after", &written));
    EXPECT_EQ(0, written);
    EXPECT_EQ(std::string("x"), format("x%y"));
    EXPECT_EQ(std::string("end"), format("end%"));
    char buffer[32];
    EXPECT_EQ(-1, _snprintf(buffer, sizeof buffer, "abc%n", &written));
    EXPECT_EQ(std::string("abc"), buffer);
}

TEST(Truncation, MicrosoftResultsAndTerminator) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(5, _snprintf(buffer, sizeof buffer, "%s", "hello"));
    EXPECT_EQ(std::string("hello"), buffer);

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(5, _snprintf(buffer, 5, "%s", "hello")) << "exactly full: the length, no NUL";
    EXPECT_EQ(std::string("hello###"), std::string(buffer, 8));

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(-1, _snprintf(buffer, 4, "%d", 123456));
    EXPECT_EQ(std::string("1234####"), std::string(buffer, 8));

    EXPECT_EQ(6, _snprintf(nullptr, 0, "%d", 123456)) << "a null buffer of size 0 asks for the length";
    EXPECT_EQ(-1, _snprintf(nullptr, 4, "%d", 1));

    WCHAR wide[4];
    EXPECT_EQ(-1, _snwprintf(wide, 4, u"%s", u"abcdef"));
    EXPECT_EQ(std::u16string(u"abcd"), std::u16string(wide, 4));
    EXPECT_EQ(3, _snwprintf(wide, 4, u"%S", "xyz"));
    EXPECT_EQ(std::u16string(u"xyz"), std::u16string(wide));
}

TEST(Wsprintf, OutputStopsAt1024CharactersWithTheNul) {
    const std::string longText(2000, 'a');
    char buffer[1024 + 16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(1023, wsprintfA(buffer, "%s", longText.c_str()));
    EXPECT_EQ('\0', buffer[1023]);
    EXPECT_EQ('#', buffer[1024]);

    WCHAR wide[64];
    EXPECT_EQ(14, wsprintfW(wide, u"%lu-%s-%S", 4000000000u, u"a", "b"));
    EXPECT_EQ(std::u16string(u"4000000000-a-b"), std::u16string(wide));
}

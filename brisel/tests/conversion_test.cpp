#include <iconv.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text_conversion.h"

namespace {

using Bytes = std::vector<unsigned char>;

// glibc's UTF-8 of one byte in an 8-bit code page, or nothing when glibc
// finds the byte undefined.
std::optional<std::string> glibcUtf8(const char* codePage, unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1))
        return std::nullopt;
    return std::string(out, outPtr);
}

struct CodePageCase {
    brisel::CodePage codePage;
    const char* glibcName;
};

class EveryCodePage : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(EveryCodePage, HighBytesConvertAsGlibcConvertsThem) {
    const auto [codePage, glibcName] = GetParam();
    ASSERT_TRUE(glibcUtf8(glibcName, 'A')) << glibcName << " is not known to iconv";
    int undefined = 0;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const Bytes input{static_cast<unsigned char>(byte)};
        Bytes output;
        const bool allMapped = brisel::convertToUtf8(input, codePage, output);
        ASSERT_GE(output.size(), 3u);
        EXPECT_EQ(Bytes(output.begin(), output.begin() + 3), (Bytes{0xEF, 0xBB, 0xBF}));
        const std::string ours(output.begin() + 3, output.end());
        const auto glibc = glibcUtf8(glibcName, static_cast<unsigned char>(byte));
        EXPECT_EQ(allMapped, glibc.has_value()) << std::hex << "byte 0x" << byte;
        EXPECT_EQ(ours, glibc.value_or("")) << std::hex << "byte 0x" << byte;
        undefined += allMapped ? 0 : 1;
    }
    EXPECT_EQ(undefined, codePage == brisel::CodePage::Windows1250 ? 5 : 0);
}

INSTANTIATE_TEST_SUITE_P(Brisel, EveryCodePage,
                         ::testing::Values(CodePageCase{brisel::CodePage::Cp852, "CP852"},
                                           CodePageCase{brisel::CodePage::Windows1250, "CP1250"},
                                           CodePageCase{brisel::CodePage::Iso8859_2, "ISO-8859-2"}),
                         [](const auto& info) {
                             std::string name = info.param.glibcName;
                             std::erase(name, '-');
                             return name;
                         });

TEST(TextConversion, DroppedBytesLeaveTheRestConverted) {
    // "Šíp" with the undefined 0x81 and 0x98 between its letters.
    const Bytes input{0x8A, 0x81, 0xED, 0x98, 'p'};
    Bytes output;
    EXPECT_FALSE(brisel::convertToUtf8(input, brisel::CodePage::Windows1250, output));
    EXPECT_EQ(std::string(output.begin(), output.end()), "\xEF\xBB\xBF\xC5\xA0\xC3\xADp");

    Bytes untouched{'x'};
    EXPECT_FALSE(brisel::convertToUtf8(input, brisel::CodePage::None, untouched));
    EXPECT_FALSE(brisel::convertToUtf8(input, static_cast<brisel::CodePage>(7), untouched));
    EXPECT_EQ(untouched, Bytes{'x'});
}

TEST(PreviewText, ShowsTheWholeDocumentAndNothingOfAnotherEncoding) {
    // An embedded NUL must not hide the text after it.
    const char document[] = "\xEF\xBB\xBF" "before\0after";
    const Bytes bytes(document, document + sizeof document - 1);
    EXPECT_EQ(brisel::previewText(bytes), "before\xE2\x90\x80" "after");
    // A byte-order mark alone, or one cut short, is read within the document.
    EXPECT_EQ(brisel::previewText(Bytes{0xEF, 0xBB, 0xBF}), "");
    EXPECT_EQ(brisel::previewText(Bytes{}), "");
    EXPECT_FALSE(brisel::previewText(Bytes{0xEF, 0xBB}));
    EXPECT_FALSE(brisel::previewText(Bytes{'a', 0xC3}));
}

}  // namespace

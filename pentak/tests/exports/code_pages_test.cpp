// 8-bit texts through the exported functions: the session's code page both
// ways, the ANSI page where a function takes ANSI text, UTF-16 as it is,
// and texts that do not convert refused rather than mangled.
#include <string>

#include "exported_library.h"

namespace {

using namespace pentak_test;

// "Žluťoučký kůň" in its three encodings.
const std::u16string kHorse = u"Žluťoučký kůň";
const std::string kHorseUtf8 = "\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88";

std::string utf16LeOf(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

#define CALL(name) PENTAK_FUNCTION(library, name)

class ExportedTexts : public PentakExports {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CALL(Pentak_Initialize)()); }
    void TearDown() override { CALL(Pentak_UnInitialize)(); }
};

TEST_F(ExportedTexts, EightBitTextsTravelInTheSessionsCodePage) {
    LONG codePage = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_GetCodePage)(&codePage));
    EXPECT_EQ(1250, codePage);
    ASSERT_EQ(S_OK, CALL(Pentak_SetContainerName)(kHorse1250));
    EXPECT_EQ(kHorse1250, narrowText(CALL(Pentak_GetContainerName)));
    ASSERT_EQ(S_OK, CALL(Pentak_SetError)(kHorse1250));
    EXPECT_EQ(kHorse, wideText(CALL(Pentak_GetErrorW)));

    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(65001));
    EXPECT_EQ(kHorseUtf8, narrowText(CALL(Pentak_GetContainerName)));
    ASSERT_EQ(S_OK, CALL(Pentak_SetErrorW)(u"kůň úpěl"));
    EXPECT_EQ("k\xC5\xAF\xC5\x88 \xC3\xBAp\xC4\x9Bl", narrowText(CALL(Pentak_GetError)));

    // UTF-16LE bytes end with a 16-bit zero, both ways.
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(1200));
    EXPECT_EQ(utf16LeOf(kHorse) + '\0', narrowText(CALL(Pentak_GetContainerName)));
    const std::string ode = utf16LeOf(u"ďábelské ódy") + std::string(2, '\0');
    ASSERT_EQ(S_OK, CALL(Pentak_SetContainerName)(ode.c_str()));
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(1250));
    EXPECT_EQ("\xEF\xE1" "belsk\xE9 \xF3" "dy", narrowText(CALL(Pentak_GetContainerName)));
}

TEST_F(ExportedTexts, AnsiArgumentsAreReadInTheAnsiPageWhateverTheSessionsPage) {
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(65001));
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderName)(kHorse1250));
    EXPECT_EQ(kHorseUtf8, narrowText(CALL(Pentak_GetProviderName)));
    ASSERT_EQ(S_OK, CALL(Pentak_SetCertificate)(kHorse1250));
    EXPECT_EQ(kHorseUtf8, narrowText(CALL(Pentak_GetCertificate)));

    // UTF-16 arguments and results pass as they are.
    ASSERT_EQ(S_OK, CALL(Pentak_SetSmartCardReaderName)(kHorse.c_str()));
    EXPECT_EQ(kHorse, wideText(CALL(Pentak_GetSmartCardReaderName)));
}

TEST_F(ExportedTexts, TextsThatDoNotConvertAreRefusedAndLeaveEverythingAsItWas) {
    ASSERT_EQ(S_OK, CALL(Pentak_SetContainerName)(kHorse1250));
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(65001));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_SetContainerName)("k\xF9\xF2")) << "1250 bytes are no UTF-8";
    EXPECT_EQ(kHorseUtf8, narrowText(CALL(Pentak_GetContainerName)));

    // Characters the page lacks are not turned into "?".
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(1250));
    ASSERT_EQ(S_OK, CALL(Pentak_SetErrorW)(u"Жук"));
    char buffer[8] = "unset";
    DWORD length = sizeof buffer;
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_GetError)(buffer, &length));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_GetError)(nullptr, &length));
    EXPECT_STREQ("unset", buffer);
    EXPECT_EQ(sizeof buffer, length);
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(65001));
    EXPECT_EQ("\xD0\x96\xD1\x83\xD0\xBA", narrowText(CALL(Pentak_GetError)));
    const char16_t loneSurrogate[] = {u'a', 0xD800, u'b', 0};
    ASSERT_EQ(S_OK, CALL(Pentak_SetErrorW)(loneSurrogate));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_GetError)(nullptr, &length));

    // A page the library does not convert is refused the same way.
    ASSERT_EQ(S_OK, CALL(Pentak_SetCodePage)(1201));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_GetContainerName)(nullptr, &length));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_SetContainerName)("abc"));
}

}  // namespace

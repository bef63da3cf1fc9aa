// Content-transfer encodings as a caller sees them in stored and loaded
// bodies: line lengths, escapes, and damaged input that must neither lose
// nor invent bytes.
#include <gtest/gtest.h>

#include "mime/mime_environment.h"
#include "mime_support.h"

using mime_test::LoadText;
using mime_test::Stored;

namespace {

// The stored content of a one-part body in the named encoding.
std::string StoredContent(const std::string& encoding, const std::string& content) {
    CMimeBody body;
    body.SetField("Content-Transfer-Encoding", encoding);
    body.SetContent(content);
    const std::string stored = Stored(body);
    const std::string header = "Content-Transfer-Encoding: " + encoding + "\r\n\r\n";
    EXPECT_EQ(header, stored.substr(0, header.size()));
    return stored.substr(header.size());
}

// The decoded content of a body in the named encoding, or the negative
// result of its load.
std::string LoadedContent(const std::string& encoding, const std::string& coded) {
    CMimeBody body;
    const int result = LoadText(body, "Content-Transfer-Encoding: " + encoding + "\r\n\r\n" + coded);
    if (result < 0) {
        EXPECT_EQ(0, body.GetPartCount());
        EXPECT_EQ(nullptr, body.FindField("Content-Transfer-Encoding")) << "a failed load keeps nothing";
        return "load failed";
    }
    return std::string(body.GetContent(), static_cast<size_t>(body.GetContentLength()));
}

}  // namespace

TEST(MimeQuotedPrintable, BreaksLongLinesSoftlyAndEscapesTrailingBlanksLoneDotsAndEquals) {
    EXPECT_EQ(std::string(75, 'a') + "=\r\n" + std::string(25, 'a'),
              StoredContent("quoted-printable", std::string(100, 'a')));
    EXPECT_EQ("end=20\r\ntab=09\r\n=2E\r\n.x\r\n1+1=3D2 =C3=A9=20",
              StoredContent("quoted-printable", "end \r\ntab\t\r\n.\r\n.x\r\n1+1=2 \xC3\xA9 "));
    // A soft break goes after the last blank of the line, and every line
    // stays within 76 characters.
    EXPECT_EQ("word =\r\n" + std::string(72, 'b'), StoredContent("quoted-printable", "word " + std::string(72, 'b')));

    const std::string mixed = std::string(300, '\xE9') + " x\r\n" + std::string(80, '=');
    EXPECT_EQ(mixed, LoadedContent("quoted-printable", StoredContent("quoted-printable", mixed)));
}

TEST(MimeQuotedPrintable, DecodesEscapesAndSoftBreaksAndKeepsWhatIsNoEscape) {
    EXPECT_EQ("AB", LoadedContent("quoted-printable", "=41=\r\nB"));
    EXPECT_EQ("\xE9\xE9", LoadedContent("quoted-printable", "=e9=E9"));
    EXPECT_EQ("joined", LoadedContent("quoted-printable", "join= \t\r\ned"));
    EXPECT_EQ("=4Z and =G1 and =", LoadedContent("quoted-printable", "=4Z and =G1 and ="));
}

TEST(MimeBase64, WritesLinesOf76CharactersAndReadsBackExactlyWhateverTheLineBreaks) {
    const std::string bytes57(57, '\xFF');
    EXPECT_EQ(std::string(76, '/') + "\r\n", StoredContent("base64", bytes57));
    EXPECT_EQ(std::string(76, '/') + "\r\n/w==", StoredContent("base64", bytes57 + '\xFF'));
    EXPECT_EQ("", StoredContent("base64", ""));

    std::string all;
    for (int i = 0; i < 1000; ++i) all += static_cast<char>(i * 31 + i / 256);
    const std::string coded = StoredContent("BASE64", all);
    EXPECT_EQ(all, LoadedContent("Base64", coded));
    std::string spaced;  // as other writers break it: short lines, blanks, bare line feeds
    for (size_t i = 0; i < coded.size(); ++i) {
        if (coded[i] == '\r' || coded[i] == '\n') continue;
        spaced += coded[i];
        if (i % 40 == 0) spaced += " \t\n";
    }
    EXPECT_EQ(all, LoadedContent("base64", spaced));
}

TEST(MimeBase64, DamagedTextFailsTheLoadInsteadOfCuttingTheContent) {
    EXPECT_EQ("load failed", LoadedContent("base64", "QUJD*REVG"));
    EXPECT_EQ("load failed", LoadedContent("base64", "QUJD\r\n\x80REVG"));
    EXPECT_EQ("ABC", LoadedContent("base64", "QUJD===="));
}

TEST(MimeSevenBit, IsCopiedByteForByteWithFoldingOffAndBrokenBeforeABlankWithItOn) {
    std::string line;
    for (int i = 0; i < 30; ++i) line += "word" + std::to_string(i) + ' ';
    const std::string content = line + "\r\n\x01\x7F\xFF";
    CMimeEnvironment::SetAutoFolding(false);
    EXPECT_EQ(content, StoredContent("7bit", content));
    EXPECT_EQ(content, StoredContent("", content));

    CMimeEnvironment::SetAutoFolding(true);
    const std::string folded = StoredContent("7bit", content);
    CMimeEnvironment::SetAutoFolding(false);
    size_t lineStart = 0;
    std::string unbroken;
    for (size_t end = folded.find("\r\n"); end != std::string::npos; end = folded.find("\r\n", lineStart)) {
        EXPECT_LE(end - lineStart, 77u);
        unbroken += folded.substr(lineStart, end - lineStart);
        lineStart = end + 2;
    }
    EXPECT_EQ(line, unbroken.substr(0, line.size())) << "only line breaks were added";
    EXPECT_GT(folded.size(), content.size());
}

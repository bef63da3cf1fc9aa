// The one-part message the signer wraps a document in, byte for byte, and
// its file name under hostile spellings.
#include <gtest/gtest.h>

#include "mime/mime_environment.h"
#include "mime_support.h"
#include "testkit/process.h"

using mime_test::LoadText;
using mime_test::Stored;

namespace {

const std::string kDocument = "Request for renewal: \xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88\r\n"
                              "Serial 0123456789ABCDEF\r\n";

void BuildSigningMessage(CMimeMessage& message, const std::string& fileName, const std::string& document) {
    CMimeEnvironment::SetAutoFolding(false);
    ASSERT_TRUE(message.SetField("MIME-Version", "1.0"));
    CMimeBody& part = message.AddPart();
    ASSERT_TRUE(part.SetField("Content-Type", "text/plain"));
    ASSERT_TRUE(part.SetCharset("UTF-8"));
    ASSERT_TRUE(part.SetField("Content-Transfer-Encoding", "base64"));
    ASSERT_TRUE(part.SetParameter("Content-Disposition", "filename", fileName, true));
    part.SetContent(document);
}

}  // namespace

TEST(MimeSigningMessage, IsOneEntityPinnedByteForByteAndLoadsBackToTheDocumentTypeAndName) {
    CMimeMessage message;
    BuildSigningMessage(message, "a.txt", kDocument);
    const std::string stored = Stored(message);
    EXPECT_EQ("MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=UTF-8\r\n"
              "Content-Transfer-Encoding: base64\r\n"
              "Content-Disposition: filename=\"a.txt\"\r\n"
              "\r\n"
              "UmVxdWVzdCBmb3IgcmVuZXdhbDogxb1sdcWlb3XEjWvDvSBrxa/FiA0KU2VyaWFsIDAxMjM0NTY3\r\n"
              "ODlBQkNERUYNCg==",
              stored);

    CMimeMessage loaded;
    ASSERT_EQ(static_cast<int>(stored.size()), LoadText(loaded, stored));
    std::vector<CMimeBody*> leaves;
    ASSERT_EQ(1, loaded.GetLeafParts(leaves));
    EXPECT_EQ(kDocument, std::string(leaves[0]->GetContent(), static_cast<size_t>(leaves[0]->GetContentLength())));
    EXPECT_EQ('\0', leaves[0]->GetContent()[leaves[0]->GetContentLength()]);
    EXPECT_STREQ("text/plain; charset=UTF-8", leaves[0]->GetFieldValue("Content-Type"));
    EXPECT_EQ(MEDIA_TEXT, leaves[0]->GetMediaType());
    EXPECT_EQ("a.txt", leaves[0]->GetFileName());
}

TEST(MimeSigningMessage, FileNamesWithQuotesAndBackslashesSurviveAndLineBreaksAreRefused) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    const std::string name = "report \"final\" \\ draft; filename=evil.exe.txt";
    CMimeMessage message;
    BuildSigningMessage(message, name, "data");
    const std::string stored = Stored(message);

    CMimeMessage loaded;
    ASSERT_GT(LoadText(loaded, stored), 0);
    EXPECT_EQ(name, loaded.GetFileName());
    EXPECT_EQ(name + "\n", mime_test::Python("import sys, email\n"
                                             "m = email.message_from_bytes(sys.stdin.buffer.read())\n"
                                             "print(m.get_filename())",
                                             stored));

    // A line break would start a field of the caller's choosing: refused,
    // and the header stays as it was.
    CMimeBody& part = *message.GetPart(0);
    EXPECT_FALSE(part.SetParameter("Content-Disposition", "filename", "a.txt\r\nBcc: x@example.com", true));
    EXPECT_FALSE(part.SetParameter("Content-Disposition", "filename", "a\nb.txt", true));
    EXPECT_FALSE(part.SetField("Subject", "hello\r\nBcc: x@example.com"));
    EXPECT_EQ(stored, Stored(message));
    EXPECT_TRUE(part.SetField("Subject", "folded\r\n line")) << "a continued line is no new field";
}

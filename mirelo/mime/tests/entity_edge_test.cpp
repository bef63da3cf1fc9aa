// Headers, parameters and multipart entities as callers meet them, and
// hostile entities that must load to a clear failure.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <sstream>

#include "mime/mime_environment.h"
#include "mime_support.h"
#include "testkit/platform_root.h"

using mime_test::LoadText;
using mime_test::Stored;

namespace {

// True when text is a sequence of whole UTF-8 characters.
bool WholeUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

}  // namespace

TEST(MimeHeader, FieldsAreReplacedInPlaceAppendedAndLoadedFromTheirLines) {
    CMimeHeader header;
    EXPECT_EQ(2, header.Load("\r\nFrom: x\r\n\r\n", 13)) << "an empty first line ends the header";
    EXPECT_TRUE(header.Fields().empty());

    ASSERT_TRUE(header.SetField("Content-Type", "text/plain"));
    ASSERT_TRUE(header.SetField("X-First", "1"));
    ASSERT_TRUE(header.SetField("content-type", "text/html", "utf-8"));
    ASSERT_TRUE(header.SetField("X-Last", "2"));
    ASSERT_EQ(3u, header.Fields().size());
    EXPECT_EQ("content-type", header.Fields()[0].name);
    EXPECT_EQ("text/html", header.Fields()[0].value);
    EXPECT_EQ("X-Last", header.Fields()[2].name);
    EXPECT_EQ(nullptr, header.GetFieldValue("Subject"));
    EXPECT_EQ("text", header.GetMainType());

    const std::string folded = " skipped\r\nSubject: one\r\n two\r\nNoColon\r\nX-Empty:\r\n\r\nbody";
    for (const bool folding : {false, true}) {
        CMimeEnvironment::SetAutoFolding(folding);
        CMimeHeader loaded;
        EXPECT_EQ(static_cast<int>(folded.size()) - 4, loaded.Load(folded.data(), static_cast<int>(folded.size())));
        ASSERT_EQ(3u, loaded.Fields().size());
        EXPECT_STREQ(folding ? "one two" : "one\r\n two", loaded.GetFieldValue("subject"));
        EXPECT_EQ("", loaded.Fields()[1].name);
        EXPECT_EQ("NoColon", loaded.Fields()[1].value);
        EXPECT_STREQ("", loaded.GetFieldValue("X-Empty"));
    }
    CMimeEnvironment::SetAutoFolding(false);
}

TEST(MimeHeader, ParametersAreFoundByWholeNameSetInPlaceAndUnquoted) {
    CMimeHeader header;
    std::string value = "left alone";
    EXPECT_FALSE(header.GetParameter("Content-Disposition", "filename", value));
    EXPECT_EQ("", value);
    EXPECT_EQ("", header.GetFileName());
    EXPECT_EQ(MEDIA_TEXT, header.GetMediaType());

    ASSERT_TRUE(header.SetField("Content-Disposition", "filename=\"x y.txt\""));
    EXPECT_EQ("x y.txt", header.GetFileName());
    ASSERT_TRUE(header.SetField("Content-Disposition", "attachment; size=3"));
    EXPECT_EQ("", header.GetFileName());

    ASSERT_TRUE(header.SetField("Content-Type", "Multipart/Mixed; xboundary=wrong; Boundary = \"a;b\" ; charset=x"));
    EXPECT_EQ("a;b", header.GetBoundary());
    EXPECT_EQ(MEDIA_MULTIPART, header.GetMediaType());
    ASSERT_TRUE(header.SetParameter("Content-Type", "boundary", "new", true));
    ASSERT_TRUE(header.SetCharset("utf-8"));
    ASSERT_TRUE(header.SetParameter("Content-Type", "name", "a b", false));
    EXPECT_STREQ("Multipart/Mixed; xboundary=wrong; Boundary = \"new\" ; charset=utf-8; name=\"a b\"",
                 header.GetFieldValue("Content-Type"));

    CMimeHeader plain;
    ASSERT_TRUE(plain.SetCharset("windows-1250"));
    EXPECT_STREQ("text/plain; charset=windows-1250", plain.GetFieldValue("Content-Type"));
    ASSERT_TRUE(plain.SetField("Content-Type", "image/png"));
    EXPECT_EQ(MEDIA_IMAGE, plain.GetMediaType());
    ASSERT_TRUE(plain.SetField("Content-Type", "chemical/x-pdb"));
    EXPECT_EQ(MEDIA_UNKNOWN, plain.GetMediaType());
}

TEST(MimeEncodedWords, SubjectsRoundTripWithTheirCharsetAndWordsThatFitTheLine) {
    CMimeEnvironment::SetAutoFolding(false);
    const std::string czech = "\xC5\x98" "ekl \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88";
    const std::string mostlyAscii = "Request_number? 12345 = renewal of certificate \xC3\xA9 and so on and on";
    for (const std::string& subject : {czech, czech + czech + czech + czech, mostlyAscii}) {
        CMimeBody body;
        ASSERT_TRUE(body.SetField("Subject", subject, "utf-8"));
        const std::string stored = Stored(body);
        EXPECT_EQ(std::string::npos, stored.find_first_of("\x80\xFF")) << stored;
        std::istringstream words(stored);
        for (std::string word; words >> word;) {
            if (!word.starts_with("=?")) continue;
            EXPECT_LE(word.size(), 75u) << "an encoded word of at most 75 characters";
            CMimeHeader alone;
            const std::string line = "Subject: " + word + "\r\n\r\n";
            ASSERT_GT(alone.Load(line.data(), static_cast<int>(line.size())), 0);
            EXPECT_TRUE(WholeUtf8(alone.FindField("Subject")->value)) << "a word never splits a character: " << word;
        }
        EXPECT_NE(std::string::npos, stored.find(subject == mostlyAscii ? "?Q?" : "?B?"))
            << "Q for a text of few accented letters, else B: " << stored;
        CMimeHeader loaded;
        ASSERT_GT(loaded.Load(stored.data(), static_cast<int>(stored.size())), 0);
        EXPECT_EQ(subject, loaded.FindField("Subject")->value);
        EXPECT_EQ("utf-8", loaded.FindField("Subject")->charset);
    }
    CMimeHeader loaded;
    const std::string adjacent =
        "Subject: =?iso-8859-2?Q?P=F8=EDli=B9?= \r\n\t=?iso-8859-2?B?IL5sdbtvdehr/Q==?= end\r\n\r\n";
    ASSERT_GT(loaded.Load(adjacent.data(), static_cast<int>(adjacent.size())), 0);
    EXPECT_EQ("P\xF8\xEDli\xB9 \xBElu\xBBou\xE8k\xFD end", loaded.FindField("Subject")->value);
    EXPECT_EQ("iso-8859-2", loaded.FindField("Subject")->charset);
    const std::string underscore = "Subject: =?utf-8?Q?a_b=5F?=\r\n\r\n";
    ASSERT_GT(loaded.Load(underscore.data(), static_cast<int>(underscore.size())), 0);
    EXPECT_EQ("a b_", loaded.FindField("Subject")->value) << "'_' is a space in a Q word";
    const std::string broken = "Subject: =?utf-8?B?*?= =?utf-8?X?a?= =?=\r\n\r\n";
    ASSERT_GT(loaded.Load(broken.data(), static_cast<int>(broken.size())), 0);
    EXPECT_EQ("=?utf-8?B?*?= =?utf-8?X?a?= =?=", loaded.FindField("Subject")->value) << "no word, no decoding";
}

TEST(MimeMultipart, OwnContentPartsAndClosingDelimiterLoadAsWritten) {
    const std::string text = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                             "--b\r\nContent-Type: text/plain\r\n\r\none\r\n"
                             "--bx is no delimiter\r\n"
                             "--b\r\nContent-Type: multipart/alternative; boundary=c\r\n\r\npreamble\r\n"
                             "--c\r\n\r\ninner\r\n--c--\r\n"
                             "--b--\r\nepilogue";
    CMimeMessage message;
    EXPECT_EQ(static_cast<int>(text.size()) - 8, LoadText(message, text));
    EXPECT_EQ(0, message.GetContentLength()) << "the first delimiter follows the empty line directly";
    ASSERT_EQ(2, message.GetPartCount());
    EXPECT_EQ("one\r\n--bx is no delimiter", std::string(message.GetPart(0)->GetContent()));
    EXPECT_EQ("preamble", std::string(message.GetPart(1)->GetContent()));
    std::vector<CMimeBody*> leaves;
    ASSERT_EQ(2, message.GetLeafParts(leaves));
    EXPECT_EQ("inner", std::string(leaves[1]->GetContent()));

    EXPECT_EQ(1, message.FindPart(message.GetPart(1)));
    EXPECT_TRUE(message.RemovePart(message.GetPart(0)));
    EXPECT_FALSE(message.RemovePart(&message));
    EXPECT_EQ(1, message.GetPartCount());
}

TEST(MimeMultipart, HostileEntitiesFailCleanly) {
    CMimeMessage message;
    EXPECT_EQ(0, message.Load("", 0));
    EXPECT_EQ(0, message.Load(nullptr, 5));

    const std::string badPart = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nfine\r\n"
                                "--b\r\nContent-Transfer-Encoding: base64\r\n\r\n!!!\r\n--b--\r\n";
    EXPECT_LT(LoadText(message, badPart), 0);
    EXPECT_EQ(0, message.GetPartCount());
    EXPECT_TRUE(message.Fields().empty());

    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n";
    EXPECT_LT(LoadText(message, deep), 0);

    std::string wide = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 5000; ++i) wide += "\r\n--b\r\n";
    EXPECT_LT(LoadText(message, wide), 0);

    std::string nested = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 40; ++i) {
        nested += "\r\n--b\r\nContent-Type: multipart/mixed; boundary=c\r\n\r\n";
        for (int k = 0; k < 40; ++k) nested += "\r\n--c\r\n\r\nx";
        nested += "\r\n--c--";
    }
    EXPECT_LT(LoadText(message, nested), 0) << "parts are counted over the whole entity";

    const std::string longBoundary = "Content-Type: multipart/mixed; boundary=" + std::string(71, 'b') + "\r\n\r\n";
    EXPECT_LT(LoadText(message, longBoundary + "\r\n--" + std::string(71, 'b') + "--"), 0);

    std::string unclosedWords = "Subject: ";
    for (int i = 0; i < 300000; ++i) unclosedWords += "=?a?Q?x";
    ASSERT_GT(LoadText(message, unclosedWords + "\r\n\r\n"), 0) << "loads in one pass over the value";
    EXPECT_EQ(unclosedWords.substr(9), message.FindField("Subject")->value);

    std::string manyFields;
    for (int i = 0; i < 5000; ++i) manyFields += "X:\r\n";
    EXPECT_LT(LoadText(message, manyFields), 0);

    // A part whose header ends at once still finds its delimiter.
    const std::string tight = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                              "Content-Type: multipart/mixed; boundary=c\r\n\r\n--c--\r\n--b--";
    EXPECT_EQ(static_cast<int>(tight.size()), LoadText(message, tight));
    ASSERT_EQ(1, message.GetPartCount());
    EXPECT_EQ(0, message.GetPart(0)->GetPartCount());
}

TEST(MimeContent, IsWrittenToAFileOfTheOwnerAloneThatReplacesAFileOnlyWhenComplete) {
    testkit::PlatformRoot folder;
    CMimeBody body;
    EXPECT_EQ(0, body.WriteContentToFile(folder.path() / "empty"));
    EXPECT_EQ(0, std::filesystem::file_size(folder.path() / "empty"));

    std::string content;
    for (int i = 0; i < 1300; ++i) content += static_cast<char>(i);
    body.SetContent(content);
    const auto file = folder.path() / "content.bin";
    ASSERT_EQ(0, body.WriteContentToFile(file));
    EXPECT_EQ(content, testkit::readFile(file));
    struct stat info{};
    ASSERT_EQ(0, ::stat(file.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
    EXPECT_EQ(ENOENT, body.WriteContentToFile(folder.path() / "missing" / "x"));

    // A write that fails part-way (the file size limit stands in for a full
    // disk) leaves the file there as it was and nothing beside it.
    testkit::writeFile(file, "kept");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &small);
        _exit(body.WriteContentToFile(file) == EFBIG ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(0, status) << "the write fails, the file too large";
    EXPECT_EQ("kept", testkit::readFile(file));
    EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(folder.path()), {}));

    body.SetContent("text\0ignored", 0);
    EXPECT_EQ(4, body.GetContentLength());
}

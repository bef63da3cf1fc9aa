// Messages we store read by Python's email package, and messages it writes
// (with CR LF line ends) read by ours.
#include <gtest/gtest.h>

#include "mime/mime_environment.h"
#include "mime_support.h"
#include "testkit/process.h"

using mime_test::Hex;
using mime_test::LoadText;
using mime_test::Python;
using mime_test::Stored;

namespace {

const std::string kSubject = "P\xC5\x99\xC3\xADli\xC5\xA1 \xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88 "
                             "\xC3\xBAp\xC4\x9Bl \xC4\x8F\xC3\xA1" "belsk\xC3\xA9 \xC3\xB3" "dy";

std::string Content(const CMimeBody& body) {
    return std::string(body.GetContent(), static_cast<size_t>(body.GetContentLength()));
}

// Every line of content after the message's header is at most 76
// characters long.
void ExpectShortLines(const std::string& stored) {
    size_t start = stored.find("\r\n\r\n") + 4;
    for (size_t end = stored.find("\r\n", start); end != std::string::npos; end = stored.find("\r\n", start)) {
        EXPECT_LE(end - start, 76u) << stored.substr(start, end - start);
        start = end + 2;
    }
}

}  // namespace

TEST(MimePythonPeer, ReadsOurSubjectQuotedPrintableBase64AndMultipartToTheSameTextsAndBytes) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    CMimeEnvironment::SetAutoFolding(true);
    std::string text;
    for (int i = 0; i < 3; ++i) text += std::string(100, 'a' + static_cast<char>(i)) + " \t\r\n";
    text += ".\r\nlast line = done\xC3\xA9";
    std::string binary;
    for (int i = 0; i < 58 * 5 + 1; ++i) binary += static_cast<char>(i * 7 + 3);

    CMimeMessage message;
    ASSERT_TRUE(message.SetField("MIME-Version", "1.0"));
    ASSERT_TRUE(message.SetField("Subject", kSubject, "utf-8"));
    ASSERT_TRUE(message.SetField("Content-Type", "multipart/mixed"));
    ASSERT_TRUE(message.SetParameter("Content-Type", "boundary", "=_sep 1", true));
    CMimeBody& first = message.AddPart();
    first.SetField("Content-Type", "text/plain; charset=utf-8");
    first.SetField("Content-Transfer-Encoding", "quoted-printable");
    first.SetContent(text + "\r\n");
    CMimeBody& second = message.AddPart();
    second.SetField("Content-Type", "application/octet-stream");
    second.SetField("Content-Transfer-Encoding", "base64");
    second.SetParameter("Content-Disposition", "filename", "data.bin", true);
    second.SetContent(binary);
    const std::string stored = Stored(message);
    ExpectShortLines(stored);
    EXPECT_NE(std::string::npos, stored.find("=?utf-8?")) << stored;

    const std::string read = Python(
        "import sys, email, email.policy\n"
        "m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)\n"
        "print(str(m['Subject']).encode().hex())\n"
        "print(m.defects)\n"
        "for p in m.iter_parts():\n"
        "    print(p.get_content_type(), p.get_filename(), p.get_payload(decode=True).hex(), p.defects)\n",
        stored);
    EXPECT_EQ(Hex(kSubject) + "\n[]\n" + "text/plain None " + Hex(text + "\r\n") + " []\n" +
                  "application/octet-stream data.bin " + Hex(binary) + " []\n",
              read);

    CMimeMessage loaded;
    ASSERT_EQ(static_cast<int>(stored.size()), LoadText(loaded, stored));
    EXPECT_STREQ(kSubject.c_str(), loaded.GetFieldValue("Subject"));
    EXPECT_EQ("utf-8", loaded.FindField("Subject")->charset);
    ASSERT_EQ(2, loaded.GetPartCount());
    EXPECT_EQ(text + "\r\n", Content(*loaded.GetPart(0))) << "the line end before a delimiter stays the part's";
    EXPECT_EQ(binary, Content(*loaded.GetPart(1)));
    EXPECT_EQ(stored, Stored(loaded));
    CMimeEnvironment::SetAutoFolding(false);
}

TEST(MimePythonPeer, MessagesPythonWritesWithCrLfLoadToTheirTextsAndBytes) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    std::string binary;
    for (int i = 0; i < 1000; ++i) binary += static_cast<char>(i * 13);
    const std::string body = "Dobr\xC3\xBD den,\nnaps\xC3\xA1no " + std::string(120, 'x') + " konec.\n";
    const std::string written = Python(
        "import sys, email.message, email.policy\n"
        "m = email.message.EmailMessage(policy=email.policy.SMTP)\n"
        "m['Subject'] = bytes.fromhex('" + Hex(kSubject + " " + kSubject) + "').decode()\n"
        "m.set_content(bytes.fromhex('" + Hex(body) + "').decode(), cte='quoted-printable')\n"
        "m.add_attachment(bytes.fromhex('" + Hex(binary) + "'), maintype='application', subtype='octet-stream',"
        " filename='priloha \"1\" (copy).bin')\n"
        "sys.stdout.buffer.write(m.as_bytes())\n");
    ASSERT_NE(std::string::npos, written.find("\r\n")) << written;

    for (const bool folding : {false, true}) {
        CMimeEnvironment::SetAutoFolding(folding);
        CMimeMessage loaded;
        ASSERT_EQ(static_cast<int>(written.size()), LoadText(loaded, written)) << written;
        if (folding) {
            // The subject as Python itself reads it back.
            const std::string subject =
                Python("import sys, email, email.policy\n"
                       "m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)\n"
                       "sys.stdout.buffer.write(str(m['Subject']).encode())\n",
                       written);
            EXPECT_EQ(subject, loaded.FindField("Subject")->value);
            EXPECT_EQ("utf-8", loaded.FindField("Subject")->charset);
        }
        std::vector<CMimeBody*> leaves;
        ASSERT_EQ(2, loaded.GetLeafParts(leaves));
        std::string crlfBody = body;
        for (size_t at = crlfBody.find('\n'); at != std::string::npos; at = crlfBody.find('\n', at + 2))
            crlfBody.insert(at, "\r");
        EXPECT_EQ(crlfBody, Content(*leaves[0]));
        EXPECT_EQ(binary, Content(*leaves[1]));
        EXPECT_EQ("priloha \"1\" (copy).bin", leaves[1]->GetFileName())
            << leaves[1]->GetFieldValue("Content-Disposition");
    }
    CMimeEnvironment::SetAutoFolding(false);
}

// Address lists and parameters holding Czech names, stored in utf-8: Python
// reads every display name and file name whole, with the blanks, commas,
// quotes and parentheses in them, and so do we, to the values that were set.
TEST(MimePythonPeer, ReadsOurCzechDisplayNamesAndFileNamesWhole) {
    TESTKIT_REQUIRE_PROGRAM("python3");
    const std::string jiri = "Ji\xC5\x99\xC3\xAD Nov\xC3\xA1k";
    const std::string petr = "Dvo\xC5\x99\xC3\xA1k, Petr";
    const std::string group = "\xC3\x9A\xC4\x8Dt\xC3\xA1rna";
    const std::string file = "Smlouva \xC4\x8D. 1 \"nov\xC3\xA1\" (kopie).pdf";
    const std::string from = jiri + " <jiri@example.cz>, \"" + petr + "\" <petr@example.cz>";
    const std::string to = group + ": ucetni@example.cz;";

    CMimeMessage message;
    ASSERT_TRUE(message.SetField("MIME-Version", "1.0"));
    ASSERT_TRUE(message.SetField("From", from, "utf-8"));
    ASSERT_TRUE(message.SetField("To", to, "utf-8"));
    ASSERT_TRUE(message.SetField("Content-Type", "application/pdf", "utf-8"));
    ASSERT_TRUE(message.SetParameter("Content-Type", "name", file, true));
    ASSERT_TRUE(message.SetField("Content-Disposition", "attachment", "utf-8"));
    ASSERT_TRUE(message.SetParameter("Content-Disposition", "filename", file, true));
    ASSERT_TRUE(message.SetField("Content-Transfer-Encoding", "base64"));
    message.SetContent("%PDF-1.4");
    const std::string stored = Stored(message);
    EXPECT_EQ(std::string::npos, stored.find("\xC4\x8D")) << "no raw byte of a name: " << stored;

    const std::string read = Python(
        "import sys, email, email.policy\n"
        "m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)\n"
        "for a in m['From'].addresses: print(a.display_name.encode().hex(), a.addr_spec)\n"
        "g = m['To'].groups[0]\n"
        "print(g.display_name.encode().hex(), [a.addr_spec for a in g.addresses])\n"
        "print(m.get_filename().encode().hex(), m.get_param('name').encode().hex())\n"
        "print(m.get_payload(decode=True))\n",
        stored);
    EXPECT_EQ(Hex(jiri) + " jiri@example.cz\n" + Hex(petr) + " petr@example.cz\n" + Hex(group) +
                  " ['ucetni@example.cz']\n" + Hex(file) + " " + Hex(file) + "\nb'%PDF-1.4'\n",
              read)
        << stored;

    CMimeMessage loaded;
    ASSERT_EQ(static_cast<int>(stored.size()), LoadText(loaded, stored));
    EXPECT_STREQ(from.c_str(), loaded.GetFieldValue("From"));
    EXPECT_STREQ(to.c_str(), loaded.GetFieldValue("To"));
    EXPECT_EQ(file, loaded.GetFileName());
    std::string name;
    ASSERT_TRUE(loaded.GetParameter("Content-Type", "name", name));
    EXPECT_EQ(file, name);
    EXPECT_EQ("utf-8", loaded.FindField("Content-Disposition")->charset);
}

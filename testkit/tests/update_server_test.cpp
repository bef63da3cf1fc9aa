// The update server as the upgrade client meets it: curl posts the client's
// requests over HTTPS trusting the hierarchy's root, `xmllint --relaxng`
// judges the replies with the client's schemas, and Python (ElementTree,
// base64, zipfile) reads what they carry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "server_hierarchy.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/update_server.h"

namespace testkit {

namespace {

namespace fs = std::filesystem;

const std::string kListSchema = std::string(LUMVAR_RELAXNG_DIR) + "/lumvar_getfilelist_A_v1.rng";
const std::string kFileSchema = std::string(LUMVAR_RELAXNG_DIR) + "/lumvar_getfile_A_v1.rng";

// A reply in lines: the status and OK, Version, every Dir and File of a file
// list (location, DontTouch, path, and for files digest and size), the Error,
// and what a File or ZIP carries (its bytes in hex, or every entry's name and
// bytes in hex), or "payload invalid" when the Base64 does not decode.
constexpr const char* kReadReply = R"PY(
import base64, binascii, io, sys, zipfile
import xml.etree.ElementTree as ET
body = ET.parse(sys.argv[1]).getroot().find("Response/Body")
out = ["status " + body.get("status")]
for ok in body.findall("OK"):
    out.append("ok " + ok.get("repo_update", "-"))
for version in body.findall("Version"):
    out.append("version " + version.text)
for item in body.findall("DirList/Dir"):
    out.append(" ".join(["dir"] + [item.findtext(f) for f in ("Location", "DontTouch", "Path")]))
for item in body.findall("FileList/File"):
    out.append(" ".join(["file"] + [item.findtext(f) for f in ("Location", "DontTouch", "Path", "Hash", "FileSize")]))
for error in body.findall("Error"):
    out.append("error %s: %s" % (error.findtext("Code"), error.findtext("Message")))
for kind in ("File", "ZIP"):
    for payload in body.findall(kind):
        try:
            data = base64.b64decode(payload.text, validate=True)
        except binascii.Error:
            out.append("payload invalid")
            continue
        if kind == "File":
            out.append("file " + data.hex())
            continue
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            for entry in archive.infolist():
                out.append("entry %s %s" % (entry.filename, archive.read(entry).hex()))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
)PY";

struct Reply {
    int status = 0;
    std::string head;  // the reply's status line and headers
    std::string summary;
    bool valid = false;  // well-formed and valid against the schema of its request
};

class UpdateServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("curl");
        TESTKIT_REQUIRE_PROGRAM("xmllint");
        TESTKIT_REQUIRE_PROGRAM("unzip");
        m_folder.write("root.pem", hierarchy().root.certificate.pem());
        m_folder.write("read_reply.py", kReadReply);
    }

    // The client's request document.
    static std::string request(const std::string& subType, const std::string& zip = {},
                               const std::vector<std::pair<std::string, std::string>>& files = {}) {
        std::string body;
        for (const auto& [location, path] : files)
            body += "<File><Location>" + location + "</Location><Path>" + path + "</Path></File>";
        if (zip == "yes") body = "<DownloadRequest zip=\"yes\"><FileList>" + body + "</FileList></DownloadRequest>";
        if (zip == "no") body = "<DownloadRequest zip=\"no\">" + body + "</DownloadRequest>";
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Tesk><Request product_version=\"1.0\" "
               "product_name=\"Tesk Upgrade\"><Header><Type version=\"1\">lumvar</Type><SubType>" +
               subType + "</SubType><ClientApp>test</ClientApp><DistroID>7</DistroID></Header><Body>" + body +
               "</Body></Request></Tesk>\n";
    }

    Reply post(const UpdateServer& server, const std::string& document, const std::string& schema) {
        m_folder.write("request.xml", document);
        fs::remove(m_folder.path() / "reply.xml");
        const RunResult posted =
            run({"curl", "--silent", "--show-error", "--cacert", "root.pem", "-A", "Lumvar test", "-H",
                 "Content-Type: text/plain", "--data-binary", "@request.xml", "-D", "head.txt", "-o", "reply.xml",
                 "-w", "%{http_code}", server.url()},
                m_folder.path());
        EXPECT_EQ(0, posted.exitCode) << posted.err;
        Reply reply;
        reply.status = std::atoi(posted.out.c_str());
        reply.head = m_folder.read("head.txt");
        reply.valid = run({"xmllint", "--noout", "--relaxng", schema, "reply.xml"}, m_folder.path()).exitCode == 0;
        if (reply.valid) reply.summary = run({"python3", "read_reply.py", "reply.xml"}, m_folder.path()).out;
        return reply;
    }

    PlatformRoot m_folder;
};

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
}

std::string allBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

// SHA-1 of "abc" and of nothing (FIPS 180 examples).
constexpr const char* kAbcDigest = "A9993E364706816ABA3E25717850C26C9CD0D89D";
constexpr const char* kEmptyDigest = "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";

UpdateTree sampleTree() {
    return {"2.1.0",
            {{UpdateLocation::Program, "conf", true}, {UpdateLocation::Program, "složka", false}},
            {{UpdateLocation::Program, "složka/čtení.txt", "abc", false},
             {UpdateLocation::System, "tesk.dll", allBytes(), false},
             {UpdateLocation::SystemCom, "com/tesk_com.dll", "", false},
             {UpdateLocation::Program, "conf/user.cfg", "mine", true}}};
}

TEST_F(UpdateServerTest, ServesTheTreeInEachFormAndRecordsTheRequests) {
    UpdateServer server(hierarchy(), sampleTree());

    const Reply list = post(server, request("getfilelist"), kListSchema);
    EXPECT_EQ(200, list.status);
    ASSERT_TRUE(list.valid);
    EXPECT_EQ("status ok\nok -\nversion 2.1.0\n"
              "dir program_folder yes conf\ndir program_folder no složka\n"
              "file program_folder no složka/čtení.txt " + std::string(kAbcDigest) + " 3\n"
              "file system_folder no tesk.dll 4916D6BDB7F78E6803698CAB32D1586EA457DFC8 256\n"
              "file system_folder_com no com/tesk_com.dll " + kEmptyDigest + " 0\n"
              "file program_folder yes conf/user.cfg 8034C43D15BB7EF42E2CC24255217ACFC5F4B2F4 4\n",
              list.summary);

    const Reply one = post(server, request("getfile", "no", {{"system_folder", "tesk.dll"}}), kFileSchema);
    ASSERT_TRUE(one.valid);
    EXPECT_EQ("status ok\nok -\nfile " + hex(allBytes()) + "\n", one.summary);

    const std::vector<std::pair<std::string, std::string>> three = {
        {"system_folder_com", "com/tesk_com.dll"}, {"program_folder", "složka/čtení.txt"}, {"system_folder", "tesk.dll"}};
    const Reply zipped = post(server, request("getfile", "yes", three), kFileSchema);
    ASSERT_TRUE(zipped.valid);
    EXPECT_EQ("status ok\nok -\nentry _LUMVAR_SYSTEM_COM/com/tesk_com.dll \nentry složka/čtení.txt " + hex("abc") +
                  "\nentry _LUMVAR_SYSTEM/tesk.dll " + hex(allBytes()) + "\n",
              zipped.summary);
    // Info-ZIP reads the archive alike.
    const RunResult extracted = run({"python3", "-c",
                                     "import base64,sys,xml.etree.ElementTree as E;"
                                     "open('r.zip','wb').write(base64.b64decode(E.parse('reply.xml').find('.//ZIP').text))"},
                                    m_folder.path());
    ASSERT_EQ(0, extracted.exitCode) << extracted.err;
    EXPECT_EQ("abc", run({"unzip", "-p", "r.zip", "složka/čtení.txt"}, m_folder.path()).out);

    // A file the server does not have, and a request that is not XML.
    const Reply unknown = post(server, request("getfile", "no", {{"program_folder", "nothing.txt"}}), kFileSchema);
    ASSERT_TRUE(unknown.valid);
    EXPECT_EQ("status error\nerror 404: no such file: program_folder nothing.txt\n", unknown.summary);
    EXPECT_TRUE(post(server, "not a request", kListSchema).summary.starts_with("status error\nerror 400"));

    // A new tree is served from the next request on.
    UpdateTree next = sampleTree();
    next.version = "2.2.0";
    next.folders.clear();
    next.files.resize(1);
    server.publish(next);
    UpdateTree bad = next;
    bad.files[0].path = "a\tb";
    EXPECT_THROW(server.publish(bad), std::invalid_argument);  // and the tree before it stays
    EXPECT_EQ("status ok\nok -\nversion 2.2.0\nfile program_folder no složka/čtení.txt " + std::string(kAbcDigest) +
                  " 3\n",
              post(server, request("getfilelist"), kListSchema).summary);

    const std::vector<UpdateRequest> got = server.requests();
    ASSERT_EQ(6u, got.size());
    EXPECT_EQ("/cgi-bin/upgradeapp.cgi", got[0].target);
    EXPECT_EQ("Lumvar test", got[0].userAgent);
    EXPECT_EQ("text/plain", got[0].contentType);
    EXPECT_EQ(request("getfilelist"), got[0].body);
    EXPECT_EQ("getfilelist", got[0].subType);
    EXPECT_EQ("", got[0].zip);
    EXPECT_EQ("no", got[1].zip);
    EXPECT_EQ("getfile", got[2].subType);
    EXPECT_EQ("yes", got[2].zip);
    EXPECT_EQ(three, got[2].files);
    EXPECT_EQ("", got[4].subType);
    EXPECT_EQ("not a request", got[4].body);
}

TEST_F(UpdateServerTest, AnswersEachFaultAsAsked) {
    UpdateServer server(hierarchy(), {"1.0", {}, {{UpdateLocation::Program, "a/b.txt", "abc"}, {UpdateLocation::System, "c.dll", ""}}});
    const std::string listRequest = request("getfilelist");
    const std::string fileRequest = request("getfile", "no", {{"program_folder", "a/b.txt"}});
    const std::string zipRequest = request("getfile", "yes", {{"program_folder", "a/b.txt"}, {"system_folder", "c.dll"}});
    const std::string goodList = "file program_folder no a/b.txt " + std::string(kAbcDigest) + " 3\n" +
                                 "file system_folder no c.dll " + kEmptyDigest + " 0\n";

    // Replies the schemas refuse, to either kind of request.
    for (const UpdateFault fault : {UpdateFault::SchemaInvalid, UpdateFault::NotXml}) {
        server.answer(fault);
        EXPECT_FALSE(post(server, listRequest, kListSchema).valid);
        EXPECT_FALSE(post(server, zipRequest, kFileSchema).valid);
    }

    // Valid replies that tell of trouble.
    server.answer(UpdateFault::NoContentLength);
    Reply reply = post(server, listRequest, kListSchema);
    EXPECT_EQ(std::string::npos, reply.head.find("Content-Length")) << reply.head;
    EXPECT_EQ("status ok\nok -\nversion 1.0\n" + goodList, reply.summary);

    // Replies whose length is not what they announce.
    server.answer(UpdateFault::LongerThanAnnounced);
    reply = post(server, listRequest, kListSchema);
    EXPECT_NE(std::string::npos, reply.head.find("Transfer-Encoding: chunked")) << reply.head;
    const std::size_t announced = std::stoul(reply.head.substr(reply.head.find("Content-Length: ") + 16));
    EXPECT_EQ(m_folder.read("reply.xml").size() / 2, announced);
    EXPECT_EQ("status ok\nok -\nversion 1.0\n" + goodList, reply.summary);
    server.answer(UpdateFault::HugeAnnouncement);
    m_folder.write("request.xml", listRequest);
    const RunResult cut = run({"curl", "--silent", "--cacert", "root.pem", "--data-binary", "@request.xml", "-D",
                               "head.txt", "-o", "reply.xml", server.url()},
                              m_folder.path());
    EXPECT_EQ(18, cut.exitCode);  // the transfer ended before the announced length
    EXPECT_NE(std::string::npos, m_folder.read("head.txt").find("Content-Length: 629145600"));

    server.answer(UpdateFault::ErrorDocument);
    EXPECT_EQ(200, (reply = post(server, fileRequest, kFileSchema)).status);
    EXPECT_EQ("status error\nerror 500: the repository cannot be read\n", reply.summary);
    server.answer(UpdateFault::ServerError);
    EXPECT_EQ(500, (reply = post(server, listRequest, kListSchema)).status);
    EXPECT_EQ("status error\nerror 500: the repository cannot be read\n", reply.summary);
    server.answer(UpdateFault::Maintenance);
    EXPECT_EQ("status ok\nok yes\n", post(server, listRequest, kListSchema).summary);
    EXPECT_EQ("status ok\nok yes\n", post(server, zipRequest, kFileSchema).summary);

    // A file list that lies or names paths outside its folder.
    const std::vector<std::pair<UpdateFault, std::string>> lists = {
        {UpdateFault::WrongDigest, "a/b.txt A9993E364706816ABA3E25717850C26C9CD0D890 3\n"},
        {UpdateFault::WrongSize, "a/b.txt " + std::string(kAbcDigest) + " 4\n"},
        {UpdateFault::ListParent, "../a/b.txt " + std::string(kAbcDigest) + " 3\n"},
        {UpdateFault::ListLeadingSeparator, "/a/b.txt " + std::string(kAbcDigest) + " 3\n"},
        {UpdateFault::ListDrive, "C:/a/b.txt " + std::string(kAbcDigest) + " 3\n"},
    };
    for (const auto& [fault, firstFile] : lists) {
        server.answer(fault);
        reply = post(server, listRequest, kListSchema);
        EXPECT_TRUE(reply.summary.starts_with("status ok\nok -\nversion 1.0\nfile program_folder no " + firstFile))
            << reply.summary;
    }

    // Payloads that do not decode, in both getfile forms.
    for (const UpdateFault fault : {UpdateFault::TruncatedBase64, UpdateFault::InvalidBase64}) {
        server.answer(fault);
        EXPECT_EQ("status ok\nok -\npayload invalid\n", post(server, fileRequest, kFileSchema).summary);
        EXPECT_EQ("status ok\nok -\npayload invalid\n", post(server, zipRequest, kFileSchema).summary);
    }

    // Archives that do not match the request.
    const std::string b = "entry a/b.txt " + hex("abc") + "\n", c = "entry _LUMVAR_SYSTEM/c.dll \n";
    const std::vector<std::pair<UpdateFault, std::string>> archives = {
        {UpdateFault::ZipReversed, c + b},
        {UpdateFault::ZipMissing, b},
        {UpdateFault::ZipExtra, b + c + "entry extra.txt " + hex("an entry nobody asked for\n") + "\n"},
        {UpdateFault::ZipParent, "entry ../a/b.txt " + hex("abc") + "\n" + c},
        {UpdateFault::ZipAbsolute, "entry /a/b.txt " + hex("abc") + "\n" + c},
    };
    for (const auto& [fault, entries] : archives) {
        server.answer(fault);
        EXPECT_EQ("status ok\nok -\n" + entries, post(server, zipRequest, kFileSchema).summary);
    }

    // Back to good replies; the wrong ones were all recorded.
    server.answer(UpdateFault::None);
    EXPECT_EQ("status ok\nok -\nversion 1.0\n" + goodList, post(server, listRequest, kListSchema).summary);
    EXPECT_EQ(26u, server.requests().size());
}

}  // namespace

}  // namespace testkit

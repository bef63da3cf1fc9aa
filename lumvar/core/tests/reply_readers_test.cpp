// The readers of the update server's replies, without a server: reply
// documents validated with the real schemas, then read as the client reads
// them. The schemas are strict about the frame only, so each reader's own
// refusals (a missing element, a bad digest, size or path) stay reachable
// and end with their own code and message.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "lumvar/server_error.h"
#include "lumvar/server_errors.h"
#include "platform/text.h"
#include "protocol_replies.h"
#include "server_reply.h"
#include "testkit/bounded_run.h"

namespace {

using namespace lumvar;

const ReplySchema& listSchema() {
    static const ReplySchema schema(LUMVAR_RELAXNG_DIR "/lumvar_getfilelist_A_v1.rng");
    return schema;
}
const ReplySchema& fileSchema() {
    static const ReplySchema schema(LUMVAR_RELAXNG_DIR "/lumvar_getfile_A_v1.rng");
    return schema;
}

std::string reply(const std::string& body, const std::string& status = "ok") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Tesk><Response product_version=\"1.0\"><Header><Type "
           "version=\"1\">lumvar</Type><SubType>x</SubType></Header><Body status=\"" +
           status + "\">" + body + "</Body></Response></Tesk>\n";
}

constexpr const char* kAbc = "A9993E364706816ABA3E25717850C26C9CD0D89D";

std::string file(const std::string& fields) { return "<File>" + fields + "</File>"; }
std::string listReply(const std::string& files, const std::string& extra = "") {
    return reply("<OK/><Version>3.0</Version>" + extra + "<FileList>" + files + "</FileList>");
}
const std::string kPathA = "<Path>a.txt</Path>";
const std::string kGoodFields = kPathA + "<Hash>" + std::string(kAbc) + "</Hash><FileSize>3</FileSize>";

struct Case {
    const char* what;
    std::string document;
    int code;
    std::u16string logged;
};

// Validates and reads like GetFileList past the transport.
int readList(const std::string& document, UpdateList& list, std::vector<std::uint32_t>& version) {
    const ServerReply parsed = ServerReply::parse(document, listSchema());
    if (const int rc = ReadReplyStatus(parsed, u"GetFileList")) return rc;
    return ReadFileListReply(parsed, list, version);
}

class ReplyReaders : public ::testing::Test {
protected:
    void SetUp() override {
        log::setLevel(3);
        log::clear();
        ClearLastServerError();
    }
    void TearDown() override { log::setLevel(0); }

    static void expectLogged(const std::u16string& text) {
        EXPECT_NE(std::u16string::npos, log::text(false).find(text)) << platform::text::toUtf8(log::text(false));
    }
};

TEST_F(ReplyReaders, FileListFieldsAreReadWithTheirDefaultsOrRefusedInTheReadersWords) {
    // A hyphenated version; a File with neither Location nor DontTouch is a
    // program-folder file to fetch; without a FileList there are no files.
    UpdateList list;
    std::vector<std::uint32_t> version;
    ASSERT_EQ(kOk, readList(reply("<OK/><Version>1-2-3</Version><DirList><Dir><Path>d/e</Path></Dir></DirList>"
                                  "<FileList>" + file(kGoodFields) + "</FileList>"),
                            list, version));
    EXPECT_EQ((std::vector<std::uint32_t>{1, 2, 3}), version);
    ASSERT_EQ(1u, list.files.size());
    EXPECT_EQ(ProgramFolder, list.files[0].location);
    EXPECT_EQ(StateNew, list.files[0].state);
    EXPECT_EQ(u"a.txt", list.files[0].path);
    EXPECT_EQ(3u, list.files[0].size);
    ASSERT_EQ(1u, list.dirs.size());
    EXPECT_EQ(u"d\\e", list.dirs[0].path);
    EXPECT_EQ(ProgramFolder, list.dirs[0].location);
    UpdateList none;
    ASSERT_EQ(kOk, readList(reply("<OK/><Version>3</Version>"), none, version));
    EXPECT_TRUE(none.files.empty());

    const std::string hash = "<Hash>" + std::string(kAbc) + "</Hash>";
    const std::vector<Case> cases = {
        {"no Version", reply("<OK/>" + std::string("<FileList>") + file(kGoodFields) + "</FileList>"), kBadReply,
         u"GetFileList: Odpověď neobsahuje element Version."},
        {"no OK", reply("<Version>1</Version>"), kBadReply, u"GetFileList: Odpověď neobsahuje element OK."},
        {"an error without code or message", reply("<Error/>", "error"), kServerError,
         u"GetFileList: Server vrátil chybovou odpověď unknown : unspecified"},
        {"an empty FileList", listReply(""), kBadReply, u"GetFileList: Odpověď neobsahuje žádné soubory."},
        {"a Dir without Path", listReply(file(kGoodFields), "<DirList><Dir><Path>x</Path></Dir><Dir/></DirList>"),
         kBadReply, u"GetFileList: Chybí cesta spravovaného adresáře 1."},
        {"a File without Path", listReply(file(kGoodFields) + file(hash + "<FileSize>3</FileSize>")), kBadReply,
         u"GetFileList: Chybí cesta spravovaného souboru 1."},
        {"a Dir that climbs out", listReply(file(kGoodFields), "<DirList><Dir><Path>../up</Path></Dir></DirList>"),
         kBadReply, u"GetFileList: Cesta spravovaného adresáře \"../up\" vede mimo svou složku."},
        {"DontTouch on a system folder", listReply(file(kGoodFields), "<DirList><Dir><Location>system_folder</Location>"
                                                                      "<DontTouch>yes</DontTouch><Path>x</Path></Dir></DirList>"),
         kBadReply, u"GetFileList: Příznak DontTouch nastaven pro složku mimo program_folder."},
        {"DontTouch on a COM file",
         listReply(file("<Location>system_folder_com</Location><DontTouch>yes</DontTouch>" + kGoodFields)), kBadReply,
         u"GetFileList: Příznak DontTouch nastaven pro soubor mimo program_folder."},
        {"no Hash", listReply(file(kPathA + "<FileSize>3</FileSize>")), kBadReply,
         u"GetFileList: Chybí hash spravovaného souboru \"a.txt\"."},
        {"a digest of 39 digits", listReply(file(kPathA + "<Hash>" + std::string(kAbc).substr(1) + "</Hash>")),
         kDigestLength, u"Nepodařilo se načíst hash spravovaného souboru \"a.txt\"."},
        {"a digest with a g", listReply(file(kPathA + "<Hash>g" + std::string(kAbc).substr(1) + "</Hash>")),
         kDigestCharacter, u"Nepodařilo se načíst hash spravovaného souboru \"a.txt\"."},
        {"no FileSize", listReply(file(kPathA + hash)), kBadReply,
         u"GetFileList: Chybí velikost spravovaného souboru \"a.txt\"."},
        {"a size with a letter", listReply(file(kPathA + hash + "<FileSize>3k</FileSize>")), kBadReply,
         u"GetFileList: Neplatná velikost spravovaného souboru \"a.txt\"."},
        {"a negative size", listReply(file(kPathA + hash + "<FileSize>-3</FileSize>")), kBadReply,
         u"GetFileList: Neplatná velikost spravovaného souboru \"a.txt\"."},
        {"a size past 32 bits", listReply(file(kPathA + hash + "<FileSize>4294967296</FileSize>")), kBadReply,
         u"GetFileList: Neplatná velikost spravovaného souboru \"a.txt\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log::clear();
        UpdateList read;
        EXPECT_EQ(c.code, readList(c.document, read, version));
        expectLogged(c.logged);
    }
    EXPECT_EQ(u"unknown : unspecified", LastServerError());
}

TEST_F(ReplyReaders, PayloadsMustBeThereDecodeAndMatchTheirItems) {
    DownloadItem one;
    one.record.path = u"a.txt";
    one.record.size = 3;
    const auto readFile = [&](const std::string& body) {
        const ServerReply parsed = ServerReply::parse(reply(body), fileSchema());
        if (const int rc = ReadReplyStatus(parsed, u"GetFile")) return rc;
        return ReadFileReply(parsed, one);
    };
    const auto readZip = [&](const std::string& body, std::vector<DownloadItem>& items) {
        const ServerReply parsed = ServerReply::parse(reply(body), fileSchema());
        if (const int rc = ReadReplyStatus(parsed, u"GetZipFile")) return rc;
        return ReadZipReply(parsed, items);
    };
    EXPECT_EQ(kOk, readFile("<OK/><File>\n  YWJj\n</File>"));
    EXPECT_EQ("abc", one.data);
    {
        // A program file of 12 MiB: its text is longer than libxml2 takes
        // in one node by default.
        DownloadItem big;
        big.record.size = 12u << 20;
        const ServerReply parsed =
            ServerReply::parse(reply("<OK/><File>" + std::string(big.record.size / 3 * 4, 'A') + "</File>"), fileSchema());
        EXPECT_EQ(kOk, ReadFileReply(parsed, big)) << platform::text::toUtf8(log::text(false));
        EXPECT_EQ(std::string(big.record.size, '\0'), big.data);
    }

    EXPECT_EQ(kBadReply, readFile("<OK/>"));
    expectLogged(u"GetFile: Odpověď neobsahuje element File.");
    std::vector<DownloadItem> items{one};
    EXPECT_EQ(kBadReply, readZip("<OK/><File>YWJj</File>", items));
    expectLogged(u"GetZipFile: Odpověď neobsahuje element ZIP.");
    // The end record of an archive without entries.
    EXPECT_EQ(kBadReply, readZip("<OK/><ZIP>UEsFBgAAAAAAAAAAAAAAAAAAAAAAAA==</ZIP>", items));
    expectLogged(u"GetZipFile: Zip archiv neobsahuje žádný soubor.");
    // Bytes that are no archive: the ZIP reader's own exception, which the
    // request turns into its other-exception result.
    try {
        readZip("<OK/><ZIP>UEsDBAoAAAAAAP////8=</ZIP>", items);
        ADD_FAILURE() << "a damaged archive was read";
    } catch (const XMLException&) {
        ADD_FAILURE() << "a damaged archive counted as a validation failure";
    } catch (const std::exception&) {
    }
}

TEST_F(ReplyReaders, SchemasAndDocumentsThatCannotBeReadSayWhy) {
    try {
        const ReplySchema missing(LUMVAR_RELAXNG_DIR "/no_such_schema.rng");
        ADD_FAILURE() << "a missing schema was loaded";
    } catch (const XMLException& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Specification parsing failed with following errors:\n"))
            << e.what();
    }
    // A schema is read by its own name only: "%5F" is no "_" to it.
    try {
        const ReplySchema escaped(LUMVAR_RELAXNG_DIR "/lumvar%5Fgetfile_A_v1.rng");
        ADD_FAILURE() << "a schema was loaded under another name";
    } catch (const XMLException&) {
    }
    // A path that is not UTF-8 never reaches the reader: the document is not well-formed.
    try {
        ServerReply::parse(listReply(file("<Path>a\xff.txt</Path>")), listSchema());
        ADD_FAILURE() << "a document that is not UTF-8 was taken";
    } catch (const XMLException& e) {
        EXPECT_STREQ("Server response not well-formed", e.what());
    }
    // Two OK elements break the frame.
    try {
        ServerReply::parse(reply("<OK/><OK/><Version>1</Version>"), listSchema());
        ADD_FAILURE() << "two OK elements were taken";
    } catch (const XMLException& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Response validation failed with the following errors:\n"));
    }
    // A long list is validated a part at a time: a wrong item far into it is
    // found, and a good list is read whole.
    std::string files;
    for (int i = 0; i < 3000; ++i) files += file(kGoodFields);
    std::string wrong = files;
    wrong.insert(wrong.size() - 2 * file(kGoodFields).size(), file("<Size>3</Size>"));
    try {
        ServerReply::parse(listReply(wrong), listSchema());
        ADD_FAILURE() << "an unknown field was taken";
    } catch (const XMLException& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("Response validation failed with the following errors:\n"));
    }
    const ServerReply whole = ServerReply::parse(listReply(files), listSchema());
    EXPECT_EQ(whole.nodes("//FileList/File").size(), 3000u);
}

// Attributes on Response and the Header's content are free in the schemas,
// and RelaxNG validation of free content takes memory growing with the
// square of the attributes and time with the square of the elements: 25,000
// attributes are refused before validation, 200,000 elements in the Header
// are read without it.
TEST_F(ReplyReaders, FreeContentIsReadOrRefusedInLittleTimeAndMemory) {
    listSchema();  // loaded before the measured reading
    std::string attributes;
    for (int i = 0; i < 25000; ++i) attributes += " a" + std::to_string(i) + "=''";
    std::string document = listReply(file(kGoodFields));
    document.insert(document.find("<Response") + 9, attributes);
    std::string elements;
    for (int i = 0; i < 200000; ++i) elements += "<h/>";
    std::string header = listReply(file(kGoodFields));
    header.insert(header.find("<Header>") + 8, elements);
    const auto run = testkit::RunBounded([&] {
        try {
            ServerReply::parse(document, listSchema());
            return 1;
        } catch (const XMLException& e) {
            if (std::string(e.what()) != "Server response not well-formed") return 2;
        }
        UpdateList list;
        std::vector<std::uint32_t> version;
        return readList(header, list, version) == kOk && list.files.size() == 1 ? 0 : 3;
    });
    EXPECT_TRUE(testkit::RefusedQuickly(run));
    EXPECT_LT(run.peakGrowthMiB, 100);
}

// A schema that includes a file outside its folder or refers to a server is
// not loaded, and neither the file nor the server is reached; one that
// includes a file beside it is, in a folder named with blanks and Czech
// letters too.
TEST_F(ReplyReaders, SchemasReadNothingOutsideTheirFolder) {
    const auto base = std::filesystem::temp_directory_path() / ("Schémata odpovědí " + std::to_string(getpid()));
    std::filesystem::create_directories(base / "schemas");
    std::filesystem::create_directories(base / "outside");
    const std::string grammar = "<grammar xmlns=\"http://relaxng.org/ns/structure/1.0\">";
    std::ofstream(base / "outside" / "part.rng") << grammar << "<start><element name=\"Tesk\"><empty/></element></start></grammar>";
    std::filesystem::copy_file(base / "outside" / "part.rng", base / "schemas" / "part.rng");

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(listener, 4));
    ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));
    const std::string server = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/part.rng";

    const auto loads = [&](const std::string& name, const std::string& reference) {
        std::ofstream(base / "schemas" / name) << grammar << reference << "</grammar>";
        const auto run = testkit::RunBounded([&] {
            try {
                const ReplySchema schema((base / "schemas" / name).string());
                return 1;
            } catch (const XMLException&) {
                return 0;
            }
        }, 512, 10);
        EXPECT_TRUE(run.exited) << name;
        return run.exitCode == 1;
    };
    EXPECT_TRUE(loads("beside.rng", "<include href=\"part.rng\"/>"));
    EXPECT_FALSE(loads("file.rng", "<include href=\"file://" + (base / "outside" / "part.rng").string() + "\"/>"));
    EXPECT_FALSE(loads("path.rng", "<include href=\"../outside/part.rng\"/>"));
    EXPECT_FALSE(loads("escaped.rng", "<include href=\"%2E%2E/outside/part.rng\"/>"));
    EXPECT_FALSE(loads("server.rng", "<start><externalRef href=\"" + server + "\"/></start>"));
    EXPECT_FALSE(loads("server_include.rng", "<include href=\"" + server + "\"/>"));
    EXPECT_EQ(-1, accept(listener, nullptr, nullptr)) << "the server was reached";
    close(listener);
    std::filesystem::remove_all(base);
}

// Each bomb where a refusal's message is read, in a child process with
// capped memory.
TEST_F(ReplyReaders, HostileMarkupIsRefusedQuicklyWithLittleMemory) {
    listSchema();  // loaded before the measured reading
    for (const auto& bomb : testkit::HostileMarkups("Tesk")) {
        std::string document = reply("<Error><Code>1</Code><Message>" + bomb.references + "</Message></Error>", "error");
        document.insert(document.find("<Tesk>"), bomb.doctype);
        ASSERT_LT(document.size(), 1u << 20) << bomb.name;
        const auto run = testkit::RunBounded([&] {
            try {
                const ServerReply parsed = ServerReply::parse(document, listSchema());
                return ReadReplyStatus(parsed, u"GetFileList") ? 1 : 2;
            } catch (const XMLException& e) {
                return std::string(e.what()) == "Server response not well-formed" ? 0 : 3;
            }
        });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << bomb.name;
    }
}

}  // namespace

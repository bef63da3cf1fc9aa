// The protocol client against testkit's update server over HTTPS: what it
// sends, what it reads, and how each wrong answer ends.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lumvar/log_writer.h"
#include "lumvar/protocol_requests.h"
#include "lumvar/result_codes.h"
#include "lumvar/server_address.h"
#include "lumvar/server_error.h"
#include "lumvar/server_errors.h"
#include "platform/text.h"
#include "server_poster.h"
#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/update_server.h"
#include "win32/crypt_store.h"
#include "win32/error.h"
#include "win32/error_codes.h"

#include "update_server_fixture.h"

namespace {

using namespace lumvar;
using namespace lumvar::testing;
using testkit::UpdateFault;
using testkit::UpdateLocation;

DownloadItem item(std::int32_t location, std::u16string path, std::uint32_t size) {
    DownloadItem out;
    out.record.location = location;
    out.record.path = std::move(path);
    out.record.size = size;
    return out;
}

std::vector<DownloadItem> threeItems() {
    return {item(SystemFolderCom, u"com\\tesk_com.dll", 0), item(ProgramFolder, u"složka\\čtení.txt", 3),
            item(SystemFolder, u"tesk.dll", 256)};
}

using ProtocolTest = UpdateServerTest;

TEST_F(ProtocolTest, FetchesTheListAndTheFilesAsServedAndSendsValidDocuments) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> events;
    const ReplyProgress record = [&](std::uint32_t announced, std::uint32_t received) {
        events.emplace_back(announced, received);
    };

    UpdateList list;
    std::vector<std::uint32_t> version;
    ASSERT_EQ(kOk, GetFileList(m_config, record, &list, &version)) << platform::text::toUtf8(log::text(false));
    EXPECT_EQ((std::vector<std::uint32_t>{2, 1, 0}), version);
    ASSERT_EQ(1u, list.dirs.size());
    EXPECT_EQ(StateDontTouch, list.dirs[0].state);
    ASSERT_EQ(3u, list.files.size());
    EXPECT_EQ(u"složka\\čtení.txt", list.files[0].path);
    EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", list.files[0].digest.print());
    EXPECT_EQ(SystemFolderCom, list.files[2].location);
    EXPECT_EQ(256u, list.files[1].size);
    // Progress carries the announced length throughout and climbs to it from below.
    ASSERT_GT(events.size(), 1u);
    EXPECT_LT(events.front().second, events.front().first);
    for (std::size_t i = 1; i < events.size(); ++i) {
        EXPECT_EQ(events.front().first, events[i].first);
        EXPECT_LT(events[i - 1].second, events[i].second);
    }
    EXPECT_EQ(events.back().first, events.back().second);

    for (const int zipEach : {0, 1}) {
        SCOPED_TRACE(zipEach);
        std::vector<DownloadItem> items = threeItems();
        if (zipEach) {
            for (DownloadItem& one : items) {
                std::vector<DownloadItem> single{one};
                ASSERT_EQ(kOk, GetZipFile(m_config, nullptr, &single));
                one.data = single[0].data;
            }
        } else {
            for (DownloadItem& one : items) ASSERT_EQ(kOk, GetFile(m_config, nullptr, &one));
        }
        EXPECT_EQ("", items[0].data);
        EXPECT_EQ("abc", items[1].data);
        EXPECT_EQ(allBytes(), items[2].data);
    }
    events.clear();
    std::vector<DownloadItem> zipped = threeItems();
    ASSERT_EQ(kOk, GetZipFile(m_config, record, &zipped));
    EXPECT_EQ(allBytes(), zipped[2].data);
    ASSERT_GT(events.size(), 1u);
    EXPECT_LT(events.front().second, events.front().first);
    EXPECT_EQ(events.front().first, events.back().first);
    EXPECT_EQ(events.back().first, events.back().second);

    const std::vector<testkit::UpdateRequest> sent = m_server.requests();
    ASSERT_EQ(8u, sent.size());
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Tesk>\n"
              "  <Request product_version=\"1.0\" product_name=\"Tesk Upgrade\">\n"
              "    <Header>\n"
              "      <Type version=\"1\">lumvar</Type>\n"
              "      <SubType>getfilelist</SubType>\n"
              "      <ClientApp>halvex</ClientApp>\n"
              "      <DistroID>7</DistroID>\n"
              "    </Header>\n"
              "    <Body/>\n"
              "  </Request>\n"
              "</Tesk>\n",
              sent[0].body);
    EXPECT_EQ("Lumvar test", sent[0].userAgent);
    EXPECT_EQ("text/plain", sent[0].contentType);
    EXPECT_EQ("no", sent[1].zip);
    EXPECT_EQ((std::pair<std::string, std::string>{"program_folder", "složka/čtení.txt"}), sent[2].files.at(0));
    EXPECT_EQ("yes", sent[7].zip);
    EXPECT_EQ(3u, sent[7].files.size());
    EXPECT_EQ("system_folder_com", sent[7].files[0].first);
    testkit::PlatformRoot folder;
    for (const testkit::UpdateRequest& request : sent) {
        folder.write("request.xml", request.body);
        EXPECT_EQ(0, testkit::run({"xmllint", "--noout", "request.xml"}, folder.path()).exitCode) << request.body;
    }
}

struct Wrong {
    UpdateFault fault;
    int code;
    const char16_t* logged;
    const char16_t* level = u"ERROR";
};

// The level word of the log entry holding text, "" when none does. Entries
// begin "DD.MM.YYYY HH:MM:SS LEVEL"; a message may run over several lines.
std::u16string levelOf(const char16_t* text) {
    const std::u16string log = log::text(false);
    std::size_t at = log.find(text);
    while (at != std::u16string::npos) {
        const std::size_t newline = log.rfind(u'\n', at);
        const std::size_t start = newline == std::u16string::npos ? 0 : newline + 1;
        if (log.size() > start + 25 && log[start + 2] == u'.' && log[start + 5] == u'.' && log[start + 13] == u':')
            return log.substr(start + 20, 5);
        if (start < 2) break;
        at = start - 2;
    }
    return {};
}

void expectEnd(const Wrong& wrong, int result) {
    EXPECT_EQ(wrong.code, result);
    EXPECT_EQ(wrong.level, levelOf(wrong.logged)) << platform::text::toUtf8(log::text(false));
}

TEST_F(ProtocolTest, EachWrongAnswerEndsWithItsCodeAndMessage) {
    const std::vector<Wrong> listFaults = {
        {UpdateFault::SchemaInvalid, kBadReply, u"GetFileList: Nastala vyjímka ve validaci XML odpovědi: Response validation failed with the following errors:"},
        {UpdateFault::NotXml, kBadReply, u"Server response not well-formed"},
        {UpdateFault::NoContentLength, kTransport, u"Line: 201"},
        {UpdateFault::HugeAnnouncement, kTransport, u"The reply is longer than 536870912 bytes\nLine: 201"},
        {UpdateFault::LongerThanAnnounced, kTransport, u"The reply is longer than its Content-Length\nLine: 232"},
        {UpdateFault::ServerError, kServerError, u"GetFileList: Server vrátil chybovou odpověď 500 : the repository"},
        {UpdateFault::Maintenance, kMaintenance, u"GetFileList: Probíhá údržba repozitáře.", u"INFO "},
        {UpdateFault::ListParent, kBadReply, u"vede mimo svou složku"},
        {UpdateFault::ListLeadingSeparator, kBadReply, u"vede mimo svou složku"},
        {UpdateFault::ListDrive, kBadReply, u"vede mimo svou složku"},
    };
    for (const Wrong& wrong : listFaults) {
        SCOPED_TRACE(static_cast<int>(wrong.fault));
        m_server.answer(wrong.fault);
        log::clear();
        UpdateList list;
        std::vector<std::uint32_t> version;
        expectEnd(wrong, GetFileList(m_config, nullptr, &list, &version));
    }
    EXPECT_EQ(u"500 : the repository cannot be read", LastServerError());

    const std::vector<Wrong> fileFaults = {
        {UpdateFault::TruncatedBase64, kBadReply,
         u"GetFile: Odpověď obsahuje neplatný element File. (Nepodařilo se převést soubor z kódování Base64.)"},
        {UpdateFault::InvalidBase64, kBadReply,
         u"GetFile: Odpověď obsahuje neplatný element File. (Nepodařilo se převést soubor z kódování Base64.)"},
        {UpdateFault::Maintenance, kMaintenance, u"GetFile: Probíhá údržba repozitáře.", u"INFO "},
    };
    for (const Wrong& wrong : fileFaults) {
        SCOPED_TRACE(static_cast<int>(wrong.fault));
        m_server.answer(wrong.fault);
        log::clear();
        DownloadItem one = item(SystemFolder, u"tesk.dll", 256);
        expectEnd(wrong, GetFile(m_config, nullptr, &one));
        EXPECT_EQ("", one.data);
    }

    const std::vector<Wrong> zipFaults = {
        {UpdateFault::TruncatedBase64, kBadReply, u"GetZipFile: Odpověď obsahuje neplatný element ZIP. (Nepodařilo se"},
        {UpdateFault::InvalidBase64, kBadReply, u"GetZipFile: Odpověď obsahuje neplatný element ZIP. (Nepodařilo se"},
        {UpdateFault::ZipReversed, kBadReply, u"GetZipFile: Soubor v zip archivu neodpovida pozadovanemu souboru."},
        {UpdateFault::ZipMissing, kBadReply, u"GetZipFile: Zip archiv neobsahuje požadované soubory (liší se počet souborů)."},
        {UpdateFault::ZipExtra, kBadReply, u"GetZipFile: Zip archiv neobsahuje požadované soubory (liší se počet souborů)."},
        {UpdateFault::ZipParent, kBadReply, u"GetZipFile: Soubor v zip archivu neodpovida pozadovanemu souboru."},
        {UpdateFault::ZipAbsolute, kBadReply, u"GetZipFile: Soubor v zip archivu neodpovida pozadovanemu souboru."},
    };
    for (const Wrong& wrong : zipFaults) {
        SCOPED_TRACE(static_cast<int>(wrong.fault));
        m_server.answer(wrong.fault);
        log::clear();
        std::vector<DownloadItem> items = threeItems();
        expectEnd(wrong, GetZipFile(m_config, nullptr, &items));
    }

    // Sizes in the list that are not the files' sizes: the files are not taken.
    m_server.answer(UpdateFault::WrongSize);
    UpdateList lying;
    std::vector<std::uint32_t> version;
    ASSERT_EQ(kOk, GetFileList(m_config, nullptr, &lying, &version));
    ASSERT_EQ(4u, lying.files[0].size);
    m_server.answer(UpdateFault::None);
    log::clear();
    DownloadItem bigger{lying.files[0], {}};
    expectEnd({UpdateFault::WrongSize, kBadReply,
               u"GetFile: Odpověď obsahuje neplatný element File. (Velikost souboru neodpovídá seznamu souborů.)"},
              GetFile(m_config, nullptr, &bigger));
    EXPECT_EQ("", bigger.data);
    std::vector<DownloadItem> zippedBigger;
    for (const FileRecord& record : lying.files) zippedBigger.push_back({record, {}});
    expectEnd({UpdateFault::WrongSize, kBadReply, u"GetZipFile: Soubor v zip archivu neodpovida pozadovanemu souboru."},
              GetZipFile(m_config, nullptr, &zippedBigger));
    // Nor is an entry larger than the list announced.
    std::vector<DownloadItem> grown = threeItems();
    grown[2].record.size = 255;
    EXPECT_EQ(kBadReply, GetZipFile(m_config, nullptr, &grown));
    EXPECT_EQ("", grown[2].data);

    // Arguments the operations cannot work without.
    EXPECT_EQ(kNullArgument, GetFileList(m_config, nullptr, nullptr, nullptr));
    UpdateList list;
    EXPECT_EQ(kNullArgument, GetFileList(m_config, nullptr, &list, nullptr));
    EXPECT_EQ(kNullArgument, GetFile(m_config, nullptr, nullptr));
}

TEST_F(ProtocolTest, EachStepIsJudgedByItsOwnResult) {
    // A stale error from before does not fail a good exchange.
    SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
    UpdateList list;
    std::vector<std::uint32_t> version;
    EXPECT_EQ(kOk, GetFileList(m_config, nullptr, &list, &version));

    // Nobody listens: the failed step is reported with the system's number.
    Config closed = m_config;
    closed.setAddress("https://127.0.0.1:1/cgi-bin/upgradeapp.cgi");
    log::clear();
    EXPECT_EQ(kTransport, GetFileList(closed, nullptr, &list, &version));
    EXPECT_NE(std::u16string::npos, log::text(false).find(u"Library error number: 12029")) << platform::text::toUtf8(log::text(false));
}

// The exchange's deadline covers the reply's reading as a document too: a
// reply that arrives whole at once but takes longer to parse than the time
// left ends with the exchange's time-out, soon after the deadline. A
// machine so loaded that the reply itself comes after the deadline tries
// again with twice the time.
// One exchange with the given deadline: when the reply had arrived whole,
// when the exchange ended, and how it failed, if it did.
struct TimedExchange {
    std::optional<std::chrono::steady_clock::duration> arrived;
    std::chrono::steady_clock::duration ended{};
    std::optional<HTTPSException> failure;
};

TimedExchange exchangeWithin(const std::string& address, std::chrono::steady_clock::duration deadline) {
    using Clock = std::chrono::steady_clock;
    TimedExchange result;
    const auto started = Clock::now();
    RequestPoster poster(u"Lumvar test", address, std::chrono::duration_cast<std::chrono::milliseconds>(deadline));
    try {
        poster.post(
            [&](std::uint32_t announced, std::uint32_t received) {
                if (announced && received == announced && !result.arrived) result.arrived = Clock::now() - started;
            },
            "<Tesk/>", LUMVAR_RELAXNG_DIR "/lumvar_getfilelist_A_v1.rng");
    } catch (const HTTPSException& e) {
        result.failure = e;
    }
    result.ended = Clock::now() - started;
    return result;
}

TEST_F(ProtocolTest, AReplyStillBeingReadAtTheDeadlineEndsTheExchange) {
    std::string slow = "<?xml version=\"1.0\" encoding=\"utf-8\"?><Tesk><Response><Header>";
    for (int i = 0; i < 2500000; ++i) slow += "<a/>";
    slow += "</Header><Body status=\"ok\"><OK/><Version>1</Version></Body></Response></Tesk>";
    testkit::HttpServer server;
    server.route("/cgi-bin/upgradeapp.cgi", testkit::HttpReply::text(200, slow, "text/xml"));
    const std::string address = server.url("/cgi-bin/upgradeapp.cgi");

    // The reply read whole with time to spare, then with a deadline halfway
    // through its reading: the exchange ends there, well before a whole
    // reading would. Tried again when the machine's pace changed between
    // the two and the deadline fell before the reply arrived or after the
    // reading ended.
    bool cutWhileReading = false;
    for (int attempt = 0; attempt < 4 && !cutWhileReading; ++attempt) {
        const TimedExchange whole = exchangeWithin(address, std::chrono::minutes(1));
        ASSERT_FALSE(whole.failure) << whole.failure->what();
        ASSERT_TRUE(whole.arrived);
        const auto deadline = *whole.arrived + (whole.ended - *whole.arrived) / 2;
        const TimedExchange cut = exchangeWithin(address, deadline);
        if (!cut.failure || !cut.arrived || *cut.arrived >= deadline) continue;
        EXPECT_EQ(cut.failure->errorNumber(), ERROR_INTERNET_TIMEOUT) << cut.failure->what();
        EXPECT_NE(std::string(cut.failure->what()).find("Line: 232"), std::string::npos) << cut.failure->what();
        EXPECT_LT(cut.ended, whole.ended);
        cutWhileReading = true;
    }
    EXPECT_TRUE(cutWhileReading) << "no deadline fell while the reply was read";
}

TEST(ServerAddressTest, SplitsSchemeHostPortAndPath) {
    const ServerAddress https = SplitServerAddress("https://updates.example/cgi-bin/upgradeapp.cgi");
    EXPECT_TRUE(https.secure);
    EXPECT_EQ("updates.example", https.host);
    EXPECT_EQ(443, https.port);
    EXPECT_EQ("cgi-bin/upgradeapp.cgi", https.objectPath);

    const ServerAddress http = SplitServerAddress("http://localhost:8080/x");
    EXPECT_FALSE(http.secure);
    EXPECT_EQ("localhost", http.host);
    EXPECT_EQ(8080, http.port);
    EXPECT_EQ("x", http.objectPath);

    // A scheme in capitals still asks for TLS; a ':' in the path is no port.
    const ServerAddress capitals = SplitServerAddress("HTTPS://updates.example/a?t=1:2");
    EXPECT_TRUE(capitals.secure);
    EXPECT_EQ(443, capitals.port);
    EXPECT_EQ("a?t=1:2", capitals.objectPath);
}

}  // namespace

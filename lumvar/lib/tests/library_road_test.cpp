// The normal road through liblumvar.so against testkit's update server, once
// with a Config and the update lists of the caller, once with the plain-value
// twins and the library's own list: check, download, hand-over to the
// carried upgrade program, log, close.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "lumvar/result_codes.h"

#include "library_fixture.h"

namespace {

using namespace lumvar;
using namespace lumvar::testing;
namespace fs = std::filesystem;

struct Event {
    int event;
    int total;
    int done;
    std::u16string text;
};

std::vector<Event>& events() {
    static std::vector<Event> seen;
    return seen;
}

int recordEvent(int event, int total, int done, const WCHAR* text) {
    events().push_back({event, total, done, text});
    return 0;
}

class LibraryRoad : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        events().clear();
    }

    // The events seen since the last call are all of this kind. Each
    // reply's events carry the length it announced throughout and count
    // the bytes received up to it (a reply longer than one piece of 500
    // bytes starts below it), ending with the whole reply read. Only a file
    // fetched alone is named.
    void expectProgress(int event) {
        ASSERT_FALSE(events().empty());
        bool replyStarts = true;
        int announced = 0;
        for (const Event& seen : events()) {
            EXPECT_EQ(event, seen.event);
            EXPECT_EQ(event == 2, !seen.text.empty());
            if (replyStarts) {
                announced = seen.total;
                if (announced > 500) {
                    EXPECT_LT(seen.done, announced);
                }
            }
            EXPECT_EQ(announced, seen.total);
            EXPECT_GT(seen.done, 0);
            EXPECT_LE(seen.done, seen.total);
            replyStarts = seen.done == seen.total;
        }
        EXPECT_TRUE(replyStarts) << "the last reply was read whole";
        events().clear();
    }

    // The server's files in the download area.
    void expectDownloaded() const {
        EXPECT_EQ("abc", testkit::readFile(area() / "update" / "složka" / "čtení.txt"));
        EXPECT_FALSE(fs::exists(area() / "update" / "stejný.txt")) << "kept files are not fetched";
        EXPECT_EQ(allBytes(), testkit::readFile(area() / "update" / "_LUMVAR_SYSTEM" / "tesk.dll"));
        EXPECT_EQ("", testkit::readFile(area() / "update" / "_LUMVAR_SYSTEM_COM" / "com" / "tesk_com.dll"));
        EXPECT_EQ("gone.txt\n\nstará\n", testkit::readFile(area() / "update" / "._LUMVAR_delete"));
        EXPECT_TRUE(fs::is_directory(area() / "update" / "nová"));
        EXPECT_TRUE(fs::is_directory(area() / "update" / "složka"));
    }

    // After 7999: the carried program ran in bin\ with RunUpdate and got
    // the conf naming this process.
    void expectHandedOver() const {
        const fs::path bin = area() / "bin";
        EXPECT_EQ(testkit::readFile(LUMVAR_UPGRADE_PROGRAM_FILE), testkit::readFile(bin / "Tornil.exe"));
        const std::string conf = program().string() + "\\\n" + area().string() + "\\\n1\n" +
                                 std::to_string(getpid()) + "\n";
        EXPECT_EQ("RunUpdate|\n" + bin.string() + "\n" + conf, record());
        EXPECT_EQ("old text", testkit::readFile(area() / "backup" / "složka" / "čtení.txt"));
    }

    std::string record() const {
        const fs::path file = area() / "record";
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10); !fs::exists(file);) {
            if (std::chrono::steady_clock::now() > end) return "";
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return testkit::readFile(file);
    }

};

TEST_F(LibraryRoad, WithAConfigAndTheCallersLists) {
    LoadedLumvar& lumvar = *m_lumvar;
    ASSERT_EQ(kOk, lumvar.LoadConfiguration(m_config));
    ASSERT_EQ(kOk, lumvar.Init());
    ASSERT_EQ(kOk, lumvar.SetLogLevel(3));
    ASSERT_EQ(kOk, lumvar.SetCallback(recordEvent));

    UpdateList list;
    std::vector<std::uint32_t> serverVersion;
    std::int32_t needToUpdate = -1;
    ASSERT_EQ(kOk, lumvar.CheckUpdates(&list, &serverVersion, &needToUpdate))
        << utf8(lumvar.takeLog());
    EXPECT_EQ((std::vector<std::uint32_t>{2, 1, 0}), serverVersion);
    EXPECT_EQ(1, needToUpdate);
    expectProgress(1);
    std::map<std::u16string, std::int32_t> states;
    for (const FileRecord& file : list.files) states[file.path] = file.state;
    // What the server has and the program folder holds alike is kept, in
    // the system folder by digest too; the folder not to be touched is not
    // looked into.
    EXPECT_EQ((std::map<std::u16string, std::int32_t>{{u"gone.txt", StateRemove},
                                                       {u"složka\\čtení.txt", StateReplace},
                                                       {u"stejný.txt", StateKeep},
                                                       {u"tesk.dll", StateNew},
                                                       {u"stejná.dll", StateKeep},
                                                       {u"com\\tesk_com.dll", StateNew}}),
              states);
    std::map<std::u16string, std::int32_t> folders;
    for (const DirRecord& dir : list.dirs) folders[dir.path] = dir.state;
    EXPECT_EQ((std::map<std::u16string, std::int32_t>{{u"nová", StateNew}, {u"složka", StateKeep}, {u"stará", StateRemove}}),
              folders);

    ASSERT_EQ(kOk, lumvar.DownloadUpdates(&list)) << utf8(lumvar.takeLog());
    expectProgress(3);
    expectDownloaded();
    ASSERT_EQ(kOk, lumvar.DownloadUpdatesSingly(&list, 1)) << utf8(lumvar.takeLog());
    expectProgress(2);
    expectDownloaded();

    ASSERT_EQ(kUpgradeStarted, lumvar.DoUpdate()) << utf8(lumvar.takeLog());
    expectHandedOver();

    const std::u16string log = lumvar.takeLog();
    EXPECT_NE(std::u16string::npos, log.find(u" INFO  " + platform::text::fromUtf8(std::to_string(getpid())) +
                                             u" ")) << utf8(log);
    EXPECT_EQ(u"", lumvar.takeLog());
    EXPECT_EQ(kOk, lumvar.Close());
}

TEST_F(LibraryRoad, WithPlainValuesAndTheLibrarysList) {
    LoadedLumvar& lumvar = *m_lumvar;
    const std::u16string programText = wide(program()), areaText = wide(area());
    ASSERT_EQ(kOk, lumvar.LoadConfiguration_C("halvex", "7", m_server.url().c_str(), u"Lumvar test",
                                               programText.c_str(), programText.c_str(), areaText.c_str(),
                                               LUMVAR_RELAXNG_DIR, 1, 0, 0, 0, Slovak));
    ASSERT_EQ(kOk, lumvar.Init());
    ASSERT_EQ(kOk, lumvar.SetLogLevel(2));
    ASSERT_EQ(kOk, lumvar.SetCallback(recordEvent));

    std::uint32_t remoteVersion[4] = {9, 9, 9, 9};
    std::int32_t needToUpdate = -1;
    ASSERT_EQ(kOk, lumvar.CheckUpdates_C(remoteVersion, &needToUpdate)) << utf8(lumvar.takeLog());
    EXPECT_EQ((std::vector<std::uint32_t>{2, 1, 0, 0}), std::vector<std::uint32_t>(remoteVersion, remoteVersion + 4));
    EXPECT_EQ(1, needToUpdate);
    expectProgress(1);

    // One ZIP of every file, then one request per file, plain and each as
    // its own ZIP; every single reply's progress names the file it brings.
    ASSERT_EQ(kOk, lumvar.DownloadUpdates_C()) << utf8(lumvar.takeLog());
    expectProgress(3);
    expectDownloaded();
    for (std::int32_t zipEach : {0, 1}) {
        const std::size_t before = m_server.requests().size();
        ASSERT_EQ(kOk, lumvar.DownloadUpdatesSingly_C(zipEach)) << utf8(lumvar.takeLog());
        const auto requests = m_server.requests();
        ASSERT_EQ(before + 3, requests.size());
        for (std::size_t i = before; i < requests.size(); ++i) {
            EXPECT_EQ(zipEach == 1 ? "yes" : "no", requests[i].zip);
            ASSERT_EQ(1u, requests[i].files.size());
        }
        std::set<std::u16string> named;
        for (const Event& seen : events()) named.insert(seen.text);
        EXPECT_EQ((std::set<std::u16string>{u"složka\\čtení.txt", u"tesk.dll", u"com\\tesk_com.dll"}), named);
        expectProgress(2);
        expectDownloaded();
    }

    ASSERT_EQ(kUpgradeStarted, lumvar.DoUpdate()) << utf8(lumvar.takeLog());
    expectHandedOver();

    WCHAR* log = nullptr;
    ASSERT_EQ(kOk, lumvar.GetLog_C(&log, 1));
    ASSERT_NE(nullptr, log);
    EXPECT_NE(std::u16string::npos, std::u16string(log).find(u"GetFileList: Creating RequestPoster object."));
    EXPECT_EQ(kOk, lumvar.FreeLogBuffer(log));
    const WCHAR* serverError = nullptr;
    ASSERT_EQ(kOk, lumvar.GetLastServerError(&serverError));
    EXPECT_EQ(u"", std::u16string(serverError));
    EXPECT_EQ(kOk, lumvar.Close());
}

}  // namespace

// Downloads from testkit's update server into the download area: the
// server's exact bytes at their places, the delete list, and nothing
// written outside update\.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "lumvar/download_updates.h"
#include "lumvar/log_writer.h"
#include "lumvar/protocol_requests.h"
#include "lumvar/result_codes.h"
#include "platform/text.h"
#include "testkit/platform_root.h"

#include "file_size_limit.h"
#include "update_server_fixture.h"

namespace {

using namespace lumvar;
using namespace lumvar::testing;
namespace fs = std::filesystem;

// Every file and folder below root except those below skipped, with the
// files' bytes.
std::map<std::string, std::string> snapshot(const fs::path& root, const fs::path& skipped) {
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == skipped) {
            it.disable_recursion_pending();
            continue;
        }
        tree[it->path().string()] = it->is_regular_file() ? testkit::readFile(it->path()) : "<folder>";
    }
    return tree;
}

class DownloadTest : public UpdateServerTest {
protected:
    void SetUp() override {
        UpdateServerTest::SetUp();
        m_root.write("program/kept.txt", "kept");
        m_root.write("downloads/update/stale.txt", "from the last download");
        m_root.write("downloads/other.txt", "not ours");
        m_config.setDownloadPath(platform::text::fromUtf8((m_root.path() / "downloads").string()));
        std::vector<std::uint32_t> version;
        ASSERT_EQ(kOk, GetFileList(m_config, nullptr, &m_list, &version));
        m_list.files.push_back({ProgramFolder, u"old\\gone.txt", {}, StateRemove, 0});
        m_list.files.push_back({SystemFolder, u"gone.dll", {}, StateRemove, 0});
        m_list.dirs.push_back({ProgramFolder, u"old", StateRemove});
        m_list.dirs.push_back({ProgramFolder, u"new\\empty", StateNew});
        m_list.dirs.push_back({SystemFolderCom, u"comdir", StateKeep});
    }

    fs::path update() const { return m_root.path() / "downloads" / "update"; }

    UpdateList m_list;
};

TEST_F(DownloadTest, LeavesTheServersBytesInTheUpdateFolderAndNothingElsewhere) {
    const auto before = snapshot(m_root.path(), update());
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        std::vector<std::u16string> shown;
        const int result = way == 0 ? DownloadUpdates(m_config, nullptr, m_list)
                                    : DownloadUpdatesSingly(m_config, nullptr,
                                                            [&](const std::u16string& path) { shown.push_back(path); },
                                                            m_list, way == 2 ? 1 : 0);
        ASSERT_EQ(kOk, result) << platform::text::toUtf8(log::text(false));
        EXPECT_EQ("abc", testkit::readFile(update() / "složka" / "čtení.txt"));
        EXPECT_EQ(allBytes(), testkit::readFile(update() / "_LUMVAR_SYSTEM" / "tesk.dll"));
        EXPECT_EQ("", testkit::readFile(update() / "_LUMVAR_SYSTEM_COM" / "com" / "tesk_com.dll"));
        EXPECT_EQ("old\\gone.txt\n\nold\n", testkit::readFile(update() / "._LUMVAR_delete"));
        EXPECT_TRUE(fs::is_directory(update() / "new" / "empty"));
        EXPECT_TRUE(fs::is_directory(update() / "_LUMVAR_SYSTEM_COM" / "comdir"));
        EXPECT_FALSE(fs::exists(update() / "stale.txt"));
        EXPECT_EQ(before, snapshot(m_root.path(), update()));
        if (way > 0) {
            EXPECT_EQ((std::vector<std::u16string>{u"složka\\čtení.txt", u"tesk.dll", u"com\\tesk_com.dll"}), shown);
        }
    }
    const std::vector<testkit::UpdateRequest> sent = m_server.requests();
    ASSERT_EQ(8u, sent.size());  // the list, one ZIP, three files, three one-file ZIPs
    EXPECT_EQ("yes", sent[1].zip);
    EXPECT_EQ(3u, sent[1].files.size());
    EXPECT_EQ("no", sent[2].zip);
    for (std::size_t i = 5; i < 8; ++i) {
        EXPECT_EQ("yes", sent[i].zip);
        EXPECT_EQ(1u, sent[i].files.size());
    }
}

// Nothing to fetch and nothing to remove: no request goes out, and the area
// still gets its folders and a delete list of one line break.
TEST_F(DownloadTest, AListWithNothingToFetchAsksNothingAndStillPreparesTheArea) {
    UpdateList kept;
    kept.files.push_back({ProgramFolder, u"kept.txt", {}, StateKeep, 4});
    kept.dirs.push_back({ProgramFolder, u"new\\empty", StateNew});
    const std::size_t asked = m_server.requests().size();
    for (const bool singly : {false, true}) {
        SCOPED_TRACE(singly);
        fs::remove_all(update());
        ASSERT_EQ(kOk, singly ? DownloadUpdatesSingly(m_config, nullptr, nullptr, kept, 0)
                              : DownloadUpdates(m_config, nullptr, kept));
        EXPECT_EQ("\n", testkit::readFile(update() / "._LUMVAR_delete"));
        EXPECT_TRUE(fs::is_directory(update() / "new" / "empty"));
    }
    EXPECT_EQ(asked, m_server.requests().size());

    // A delete list that cannot be written, as on a full disk, fails the download.
    kept.files.push_back({ProgramFolder, u"old\\gone.txt", {}, StateRemove, 0});
    for (const bool singly : {false, true}) {
        SCOPED_TRACE(singly);
        log::clear();
        int result = kOk;
        {
            const FileSizeLimit limit(8);
            result = singly ? DownloadUpdatesSingly(m_config, nullptr, nullptr, kept, 0)
                            : DownloadUpdates(m_config, nullptr, kept);
        }
        EXPECT_EQ(kDownload, result);
        const std::u16string caller = singly ? u"LUMVAR_DownloadUpdatesSingly" : u"LUMVAR_DownloadUpdates";
        EXPECT_NE(std::u16string::npos,
                  log::text(false).find(caller + u": Nepodařilo se zapsat do souboru " +
                                        platform::text::fromUtf8((m_root.path() / "downloads").string()) +
                                        u"\\update\\._LUMVAR_delete"))
            << platform::text::toUtf8(log::text(false));
    }
}

TEST_F(DownloadTest, AWrongDigestOrAPathOutsideTheAreaStopsTheDownload) {
    // A list whose digests are not the files': the first file fails its check
    // and the later ones are not written.
    m_server.answer(testkit::UpdateFault::WrongDigest);
    UpdateList wrongDigest;
    std::vector<std::uint32_t> version;
    ASSERT_EQ(kOk, GetFileList(m_config, nullptr, &wrongDigest, &version));
    log::clear();
    EXPECT_EQ(kDownload, DownloadUpdates(m_config, nullptr, wrongDigest));
    const std::u16string first = platform::text::fromUtf8((m_root.path() / "downloads").string()) +
                                 u"\\update\\složka\\čtení.txt";
    EXPECT_NE(std::u16string::npos,
              log::text(false).find(u"LUMVAR_DownloadUpdates: Kontrolni hash souboru " + first + u" neodpovida."))
        << platform::text::toUtf8(log::text(false));
    EXPECT_FALSE(fs::exists(update() / "_LUMVAR_SYSTEM" / "tesk.dll"));
    EXPECT_FALSE(fs::exists(update() / "_LUMVAR_SYSTEM_COM" / "com" / "tesk_com.dll"));
    m_server.answer(testkit::UpdateFault::None);

    const auto before = snapshot(m_root.path(), update());
    for (const char16_t* hostile : {u"..\\..\\program\\kept.txt", u"/tmp/escaped", u"C:\\escaped"}) {
        UpdateList outside = m_list;
        outside.dirs.push_back({ProgramFolder, hostile, StateNew});
        EXPECT_EQ(kDownload, DownloadUpdatesSingly(m_config, nullptr, nullptr, outside, 0));
        outside.dirs.pop_back();
        outside.files[0].path = hostile;
        EXPECT_EQ(kDownload, DownloadUpdatesSingly(m_config, nullptr, nullptr, outside, 0));
        outside = m_list;
        outside.files[3].path = hostile;  // a removal
        EXPECT_EQ(kDownload, DownloadUpdates(m_config, nullptr, outside));
    }
    EXPECT_EQ(before, snapshot(m_root.path(), update()));
    EXPECT_EQ(3u, m_server.requests().size());  // two lists and one ZIP: hostile paths are never asked for
    EXPECT_EQ("kept", testkit::readFile(m_root.path() / "program" / "kept.txt"));
}

}  // namespace

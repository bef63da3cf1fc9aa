#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "lumvar/inventory.h"
#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/paths.h"
#include "testkit/platform_root.h"

namespace {

namespace fs = std::filesystem;
using namespace lumvar;

using platform::paths::toWide;

Sha1Hash digestOf(const std::string& hex) {
    Sha1Hash h;
    EXPECT_EQ(kOk, h.loadFromString(hex));
    return h;
}

// SHA-1 of "one", "two" and "other".
const std::string kOne = "FE05BCDCDC4928012781A5F1A2A77CBB5398E106";
const std::string kTwo = "AD782ECDAC770FC6EB9A62E44F90873FB97FB26B";
const std::string kOther = "D0941E68DA8F38151FF86A61FC59F7C5CF9FCAA2";

Config configFor(const fs::path& program) {
    Config c;
    c.setProgramPath(toWide(program));
    return c;
}

using FileRow = std::tuple<std::int32_t, std::u16string, std::int32_t>;  // location, path, state
using DirRow = FileRow;

std::vector<FileRow> fileRows(const UpdateList& list) {
    std::vector<FileRow> rows;
    for (const auto& f : list.files) rows.emplace_back(f.location, f.path, f.state);
    return rows;
}

std::vector<DirRow> dirRows(const UpdateList& list) {
    std::vector<DirRow> rows;
    for (const auto& d : list.dirs) rows.emplace_back(d.location, d.path, d.state);
    return rows;
}

const FileRecord& fileAt(const UpdateList& list, const std::u16string& path) {
    for (const auto& f : list.files)
        if (f.path == path) return f;
    throw std::runtime_error("no such record");
}

TEST(InstalledInventory, ListsEveryInstalledFileAndFolderForRemoval) {
    testkit::PlatformRoot root;
    root.write("prog/a.dll", "x");
    root.write("prog/sub/b.dll", "x");
    fs::create_directories(root.path() / "prog/sub/empty");
    UpdateList list;
    ASSERT_EQ(kOk, GenerateUpdateFileList(toWide(root.path() / "prog") + u"\\", u"", list));
    std::sort(list.files.begin(), list.files.end(), [](auto& a, auto& b) { return a.path < b.path; });
    std::sort(list.dirs.begin(), list.dirs.end(), [](auto& a, auto& b) { return a.path < b.path; });
    EXPECT_EQ((std::vector<FileRow>{{1, u"a.dll", 2}, {1, u"sub\\b.dll", 2}}), fileRows(list));
    EXPECT_EQ((std::vector<DirRow>{{1, u"sub", 2}, {1, u"sub\\empty", 2}}), dirRows(list));
    EXPECT_TRUE(list.files[0].digest.print().empty());
}

TEST(InstalledInventory, RefusesTooLongOrMissingFolders) {
    testkit::PlatformRoot root;
    UpdateList list;
    EXPECT_EQ(kProgramFolderMissing, GenerateUpdateFileList(toWide(root.path() / "nothing") + u"\\", u"", list));
    // A root of 258 characters, one more than a folder path may have.
    std::u16string tooLong = toWide(root.path()) + u"/";
    tooLong += std::u16string(257 - tooLong.size(), u'd') + u"\\";
    ASSERT_EQ(258u, tooLong.size());
    EXPECT_EQ(kProgramPathTooLong, GenerateUpdateFileList(tooLong, u"", list));
    std::u16string longest = tooLong.substr(0, 256) + u"\\";
    fs::create_directories(platform::paths::fromWindows(longest));
    EXPECT_EQ(kOk, GenerateUpdateFileList(longest, u"", list));
    EXPECT_TRUE(list.files.empty() && list.dirs.empty());
}

class UpdateListMerge : public ::testing::Test {
protected:
    void SetUp() override {
        // Installed program folder.
        m_root.write("prog/same.dll", "one");
        m_root.write("prog/changed.dll", "one");
        m_root.write("prog/gone.dll", "one");
        m_root.write("prog/docs/readme.txt", "one");
        m_root.write("prog/lib/x.dll", "one");
        m_root.write("prog/lib/sub/y.dll", "one");
        m_root.write("prog/library/z.dll", "one");
        m_root.write("prog/libfoo.dll", "one");
        m_root.write("prog/user.cfg", "one");
        // The system folder.
        const fs::path system = platform::paths::systemFolder();
        testkit::writeFile(system / "sysSame.dll", "one");
        testkit::writeFile(system / "sysOld.dll", "one");
        fs::create_directories(system / "drivers");
    }

    FileRecord serverFile(std::int32_t location, std::u16string path, const std::string& hex, std::uint32_t size,
                          std::int32_t state = StateNew) {
        return {location, std::move(path), digestOf(hex), state, size};
    }

    testkit::PlatformRoot m_root;
};

TEST_F(UpdateListMerge, InstalledTreeAgainstServerListGivesEachState) {
    UpdateList server;
    server.files = {
        serverFile(ProgramFolder, u"same.dll", kOne, 3),
        serverFile(ProgramFolder, u"changed.dll", kTwo, 3),
        serverFile(ProgramFolder, u"added.dll", kOther, 5),
        serverFile(ProgramFolder, u"docs\\readme.txt", kOne, 3),
        serverFile(ProgramFolder, u"user.cfg", kTwo, 3, StateDontTouch),
        serverFile(ProgramFolder, u"lonely.cfg", kTwo, 3, StateDontTouch),
        serverFile(SystemFolderCom, u"sysSame.dll", kOne, 3),
        serverFile(SystemFolder, u"sysOld.dll", kTwo, 3),
        serverFile(SystemFolder, u"sysNew.dll", kTwo, 3),
    };
    server.dirs = {{ProgramFolder, u"docs", StateNew},
                   {ProgramFolder, u"lib", StateDontTouch},
                   {ProgramFolder, u"fresh", StateNew},
                   {SystemFolder, u"drivers", StateNew},
                   {SystemFolderCom, u"codecs", StateNew}};
    UpdateList out;
    ASSERT_EQ(kOk, GenerateUpdateList(configFor(m_root.path() / "prog"), &server, out));

    // Sorted by location (both system-folder kinds as one), then path by
    // UTF-16 code unit. Below "lib" nothing is listed, while "library" and
    // "libfoo.dll" only share its first letters and stay. A file pair with
    // a "don't touch" side is dropped; a lone marked file keeps its mark.
    EXPECT_EQ((std::vector<FileRow>{
                  {1, u"added.dll", StateNew},
                  {1, u"changed.dll", StateReplace},
                  {1, u"docs\\readme.txt", StateKeep},
                  {1, u"gone.dll", StateRemove},
                  {1, u"libfoo.dll", StateRemove},
                  {1, u"library\\z.dll", StateRemove},
                  {1, u"lonely.cfg", StateDontTouch},
                  {1, u"same.dll", StateKeep},
                  {2, u"sysNew.dll", StateNew},
                  {2, u"sysOld.dll", StateReplace},
                  {3, u"sysSame.dll", StateKeep},
              }),
              fileRows(out));
    EXPECT_EQ((std::vector<DirRow>{
                  {1, u"docs", StateKeep},
                  {1, u"fresh", StateNew},
                  {1, u"library", StateRemove},
                  {3, u"codecs", StateNew},
                  {2, u"drivers", StateKeep},
              }),
              dirRows(out));
    // A replacement carries what the server has.
    EXPECT_EQ(kTwo, fileAt(out, u"changed.dll").digest.print());
    EXPECT_EQ(3u, fileAt(out, u"changed.dll").size);
    EXPECT_EQ(kTwo, fileAt(out, u"sysOld.dll").digest.print());
    // Nothing on disk changed.
    EXPECT_EQ("one", m_root.read("prog/lib/x.dll"));
    EXPECT_EQ("one", m_root.read("prog/user.cfg"));
}

TEST_F(UpdateListMerge, FailuresLeaveTheCallersListAlone) {
    UpdateList out;
    out.files.push_back(serverFile(ProgramFolder, u"kept.dll", kOne, 1));
    EXPECT_EQ(kNullArgument, GenerateUpdateList(configFor(m_root.path() / "prog"), nullptr, out));
    UpdateList server;
    EXPECT_EQ(kProgramFolderMissing, GenerateUpdateList(configFor(m_root.path() / "absent"), &server, out));
    ASSERT_EQ(1u, out.files.size());
    EXPECT_EQ(u"kept.dll", out.files[0].path);
}

}  // namespace

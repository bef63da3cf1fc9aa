// Central directories written by the library: read back by Info-ZIP's unzip,
// 7-Zip and Python's zipfile; changes to existing archives; split, binary
// split and spanned volumes; stops through the saving callback.
#include <gtest/gtest.h>

#include "copy_support.h"
#include "memory_archive.h"
#include "testkit/platform_root.h"
#include "zip/zip_exception.h"
#include "zip/zip_progress.h"

using namespace ziptest;

namespace {

const char* const kPythonCheck =
    "import zipfile,sys\n"
    "z=zipfile.ZipFile(sys.argv[1])\n"
    "assert z.testzip() is None\n"
    "print('\\n'.join(z.namelist()))\n"
    "print(z.comment.decode())\n";

class Writing : public ::testing::Test {
protected:
    void shell(const std::string& command) const {
        expectSuccess(testkit::run({"sh", "-c", command}, root.path()), command);
    }
    // Every peer tests the archive; Python's listing of it is returned.
    std::string peersAccept(const std::string& name) const {
        shell("unzip -tq " + name);
        shell("7z t " + name + " > /dev/null");
        const testkit::RunResult listed = python(kPythonCheck, {name}, root.path());
        expectSuccess(listed, "zipfile " + name);
        return listed.out;
    }
    std::string listing(const std::string& name) const { return python(kPythonCheck, {name}, root.path()).out; }
    std::string pattern(std::size_t size, int seed) const {
        std::string data;
        for (std::size_t i = 0; data.size() < size; ++i) data += std::to_string((i * 2654435761u + seed) % 1000003);
        return data.substr(0, size);
    }
    testkit::PlatformRoot root;
};

struct Hooks : CZipBundleHooks {
    CZipProgressCallback* FindCallback(int kind) override { return kind == CZipProgressCallback::cbSave ? callback : nullptr; }
    bool CommitsImmediately() const override { return false; }
    bool CommitRename(CZipFileHeader&) override { return false; }
    void MarkChanged() override { ++changes; }
    CZipProgressCallback* callback = nullptr;
    int changes = 0;
};

struct StopAt : CZipProgressCallback {
    explicit StopAt(ZIP_SIZE_TYPE at) : stopAt(at) {}
    bool Report(ZIP_SIZE_TYPE progress) override { return (seen += progress) < stopAt; }
    void Finish() override { finished = true; }
    ZIP_SIZE_TYPE stopAt, seen = 0;
    bool finished = false;
};

}  // namespace

TEST_F(Writing, AnEmptyArchiveIsABareEndRecord) {
    MemoryArchive archive;
    archive.m_dir.Commit();
    EXPECT_EQ("PK\x05\x06" + std::string(18, '\0'), archive.bytes());
}

TEST_F(Writing, DirectoriesOverCopiedEntriesAreAcceptedByPeers) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    root.write("src/a.txt", pattern(20000, 1));
    root.write("src/b.txt", "b");
    root.write("src/dir/ž.txt", "kůň");
    shell("cd src && zip -q -r ../info.zip . && printf 'comment' | zip -q -z ../info.zip && cd .. && "
          "7z a -tzip seven.zip ./src/* > /dev/null && printf 'x' | zip -q - - | cat > streamed.zip");
    expectSuccess(python("import zipfile,sys\n"
                         "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                         "  z.writestr(zipfile.ZipInfo('stored.txt'),'plain')\n"
                         "  z.writestr('deflated/č.txt','x'*1000, zipfile.ZIP_DEFLATED)\n",
                         {"python.zip"}, root.path()),
                  "python writes");
    for (const std::string name : {"info.zip", "seven.zip", "streamed.zip", "python.zip"}) {
        copyArchive(root.path() / name, root.path() / ("copy-" + name));
        EXPECT_EQ(listing(name), peersAccept("copy-" + name)) << name;
    }
}

TEST_F(Writing, EntriesAddedToAnExistingArchive) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    root.write("first.txt", "first");
    shell("zip -q old.zip first.txt");
    {
        Hooks hooks;
        CZipStorage storage;
        storage.Open(zipPath(root.path() / "old.zip"), CZipStorage::zipOpen, 0);
        CZipCentralDir dir(storage, &hooks);
        dir.Read(false);
        addStored(dir, "second.txt", "second");
        addStored(dir, "third.txt", "third");
        dir.TruncateLastEntry();
        ASSERT_TRUE(dir[0]->SetLocalAttributes(0x21));
        EXPECT_EQ(1, hooks.changes);
        dir.Commit();
        storage.Close(true);
    }
    EXPECT_EQ("first.txt\nsecond.txt\n\n", peersAccept("old.zip"));
    OpenedArchive back(root.path() / "old.zip");
    EXPECT_EQ(0x21u, back.entry(0).GetLocalAttributes());
    EXPECT_EQ("second", back.storedData(1));
}

TEST_F(Writing, RenamedEntriesAreFoundUnderTheirNewNames) {
    MemoryArchive archive;
    addStored(archive.m_dir, "old.txt", "x");
    addStored(archive.m_dir, "other.txt", "y");
    EXPECT_EQ(0u, archive.m_dir.FindByName(zipText("old.txt"), false, false, false));
    ASSERT_TRUE(archive.m_dir[0]->Rename(zipText("new.txt")));
    EXPECT_TRUE(archive.m_dir.AnyRenamed());
    EXPECT_EQ(0u, archive.m_dir.FindByName(zipText("NEW.TXT"), false, false, false));
    EXPECT_EQ(ZIP_FILE_INDEX_NOT_FOUND, archive.m_dir.FindByName(zipText("old.txt"), false, false, false));

    archive.m_dir.Commit();
    OpenedArchive readOnly(archive.bytes());
    EXPECT_FALSE(readOnly.entry(0).Rename(zipText("refused.txt")));
    EXPECT_EQ("new.txt", readOnly.name(0));
}

TEST_F(Writing, SplitArchivesAreNamedLikeZipsAndMergeWithIt) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    const std::string one = pattern(100000, 1), two = pattern(50000, 2);
    {
        CZipStorage storage;
        storage.Open(zipPath(root.path() / "s.zip"), CZipStorage::zipCreate | CZipStorage::zipModeSplit, 65536);
        CZipCentralDir dir(storage);
        addStored(dir, "one.bin", one);
        addStored(dir, "two.bin", two);
        dir.Commit();
        EXPECT_EQ(zipPath(root.path() / "s.zip"), storage.Close(true));
    }
    for (const char* volume : {"s.z01", "s.z02", "s.zip"}) EXPECT_TRUE(std::filesystem::exists(root.path() / volume)) << volume;
    EXPECT_EQ(65536u, std::filesystem::file_size(root.path() / "s.z01"));
    OpenedArchive back(root.path() / "s.zip");
    EXPECT_EQ(one, back.storedData(0));
    EXPECT_EQ(two, back.storedData(1));
    shell("zip -q -s 0 s.zip --out merged.zip");
    shell("unzip -tq merged.zip");
}

TEST_F(Writing, ASplitArchiveThatFitsOneVolumeBecomesAPlainArchive) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    {
        CZipStorage storage;
        storage.Open(zipPath(root.path() / "small.zip"), CZipStorage::zipCreate | CZipStorage::zipModeSplit, 1 << 20);
        CZipCentralDir dir(storage);
        addStored(dir, "a.txt", "alpha");
        addStored(dir, "b.txt", pattern(70000, 3));  // past the write buffer: converted in the file
        dir.Commit();
        storage.Close(true);
    }
    EXPECT_FALSE(std::filesystem::exists(root.path() / "small.z01"));
    const std::string bytes = testkit::readFile(root.path() / "small.zip");
    EXPECT_EQ("PK\x03\x04", bytes.substr(0, 4));
    EXPECT_EQ("a.txt\nb.txt\n\n", peersAccept("small.zip"));
    OpenedArchive back(root.path() / "small.zip");
    EXPECT_FALSE(back.entry(0).m_uFlag & CZipFileHeader::flagDataDescriptor);
}

TEST_F(Writing, BinarySplitVolumesAreReadBy7Zip) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    const std::string data = pattern(150000, 4);
    {
        CZipStorage storage;
        storage.Open(zipPath(root.path() / "b.zip"), CZipStorage::zipCreate | CZipStorage::zipModeBinSplit, 65536);
        CZipCentralDir dir(storage);
        addStored(dir, "data.bin", data);
        dir.Commit();
        storage.Close(true);
    }
    for (const char* volume : {"b.zip.001", "b.zip.002", "b.zip.003"}) EXPECT_TRUE(std::filesystem::exists(root.path() / volume)) << volume;
    shell("7z t b.zip.001 > /dev/null");
    OpenedArchive back(root.path() / "b.zip.003", CZipStorage::zipOpenReadOnly | CZipStorage::zipModeBinSplit);
    EXPECT_EQ(data, back.storedData(0));
}

TEST_F(Writing, VolumeRulesAtCreation) {
    const auto codeOf = [&](int mode, ZIP_SIZE_TYPE size, CZipSegmCallback* span) {
        CZipStorage storage;
        storage.m_pSpanChangeVolumeFunc = span;
        try {
            storage.Open(zipPath(root.path() / "v.zip"), CZipStorage::zipCreate | mode, size);
        } catch (const CZipException& e) {
            return e.GetCode();
        }
        return 0;
    };
    struct Disk : CZipSegmCallback {
        bool Callback(ZIP_SIZE_TYPE) override { return true; }
    } disk;
    EXPECT_EQ(104, codeOf(CZipStorage::zipModeSplit, 0, nullptr));
    EXPECT_EQ(103, codeOf(CZipStorage::zipModeSpan, 0, nullptr));
    EXPECT_EQ(108, codeOf(CZipStorage::zipModeSpan, 0, &disk));  // Linux folders are not removable drives

    // A block written at once that is larger than a volume gets one of its own.
    CZipStorage storage;
    storage.Open(zipPath(root.path() / "w.zip"), CZipStorage::zipCreate | CZipStorage::zipModeSplit, 1000);
    const std::string block(3000, 'b');
    storage.Write(block.data(), 3000, true);
    storage.Write(block.data(), 10, true);
    storage.Flush();
    EXPECT_EQ(2u, storage.GetCurrentVolume());
    storage.Close(false);
    EXPECT_EQ(4u, std::filesystem::file_size(root.path() / "w.z01"));
    EXPECT_EQ(3000u, std::filesystem::file_size(root.path() / "w.z02"));

    // Binary split volumes are slices of one stream: a block runs on.
    CZipStorage binary;
    binary.Open(zipPath(root.path() / "b.zip"), CZipStorage::zipCreate | CZipStorage::zipModeBinSplit, 1000);
    binary.Write(block.data(), 3000, true);
    binary.Flush();
    binary.Close(false);
    EXPECT_EQ(1000u, std::filesystem::file_size(root.path() / "b.zip.003"));
    EXPECT_EQ(4u, std::filesystem::file_size(root.path() / "b.zip.004"));
}

TEST_F(Writing, StoppingTheSaveLeavesTheArchiveAsItWas) {
    MemoryArchive archive;
    Hooks hooks;
    CZipCentralDir dir(archive.m_storage, &hooks);
    for (int i = 0; i < 5; ++i) addStored(dir, "e" + std::to_string(i), "data");
    const std::string before = archive.bytes();
    StopAt stop(3);
    hooks.callback = &stop;
    try {
        dir.Commit();
        FAIL() << "not stopped";
    } catch (const CZipException& e) {
        EXPECT_EQ(107, e.GetCode());
    }
    EXPECT_TRUE(stop.finished);
    EXPECT_EQ(before, archive.bytes());
    hooks.callback = nullptr;
    dir.Commit();
    EXPECT_EQ(5u, OpenedArchive(archive.bytes()).count());
}

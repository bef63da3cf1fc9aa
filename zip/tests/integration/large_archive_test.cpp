// ZIP64 archives made at test time by streaming, too large to keep: more
// than 4 GiB of data, and more than 65,535 entries. Each is read, its
// entries copied into a new archive whose directory the peers accept.
#include <gtest/gtest.h>

#include "copy_support.h"
#include "testkit/platform_root.h"
#include "zip/zip_exception.h"

using namespace ziptest;

namespace {

class LargeArchive : public ::testing::Test {
protected:
    void shell(const std::string& command) const {
        testkit::RunOptions options;
        options.cwd = root.path();
        options.timeout = std::chrono::minutes(3);
        expectSuccess(testkit::run({"sh", "-c", command}, options), command);
    }
    testkit::PlatformRoot root;
};

}  // namespace

TEST_F(LargeArchive, MoreThanFourGigabytesOfData) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    TESTKIT_REQUIRE_PROGRAM("unzip");
    constexpr std::uint64_t size = 4500000000ull;
    shell("head -c " + std::to_string(size) + " /dev/zero | zip -q -1 zeros.zip -");
    {
        OpenedArchive archive(root.path() / "zeros.zip");
        ASSERT_EQ(1u, archive.count());
        EXPECT_EQ(size, archive.entry(0).m_uUncomprSize);
        EXPECT_LT(archive.entry(0).m_uComprSize, size / 100);
    }
    copyArchive(root.path() / "zeros.zip", root.path() / "copy.zip");
    OpenedArchive copy(root.path() / "copy.zip");
    EXPECT_EQ(size, copy.entry(0).m_uUncomprSize);
    EXPECT_EQ(45, copy.entry(0).m_uVersionNeeded);
    shell("unzip -tq copy.zip");
    expectSuccess(python("import zipfile,sys\n"
                         "i=zipfile.ZipFile(sys.argv[1]).infolist()[0]\n"
                         "assert i.file_size==int(sys.argv[2]), i.file_size\n"
                         "z=zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None\n",
                         {"copy.zip", std::to_string(size)}, root.path()),
                  "zipfile reads the ZIP64 sizes");
}

TEST_F(LargeArchive, MoreThan65535Entries) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    constexpr int entries = 70000;
    expectSuccess(python("import zipfile,sys\n"
                         "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
                         "  for i in range(int(sys.argv[2])): z.writestr('e%05d' % i, str(i))\n",
                         {"many.zip", std::to_string(entries)}, root.path()),
                  "python writes");
    {
        OpenedArchive archive(root.path() / "many.zip");
        ASSERT_EQ(static_cast<ZIP_INDEX_TYPE>(entries), archive.count());
        EXPECT_EQ("e69999", archive.name(entries - 1));
        EXPECT_EQ(69999u, archive.m_dir.FindByName(zipText("E69999"), false, false, false));
    }
    copyArchive(root.path() / "many.zip", root.path() / "copy.zip");
    const std::string bytes = testkit::readFile(root.path() / "copy.zip");
    const std::size_t locator = bytes.size() - 22 - 20;
    EXPECT_EQ("PK\x06\x07", bytes.substr(locator, 4));
    EXPECT_EQ("PK\x06\x06", bytes.substr(locator - 56, 4));
    EXPECT_EQ(le16(0xFFFF), bytes.substr(bytes.size() - 22 + 10, 2));
    shell("unzip -tq copy.zip > /dev/null");
    shell("7z t copy.zip > /dev/null");
    expectSuccess(python("import zipfile,sys\n"
                         "z=zipfile.ZipFile(sys.argv[1]); n=z.namelist()\n"
                         "assert len(n)==70000 and n[-1]=='e69999'\n"
                         "assert z.read('e12345')==b'12345'\n",
                         {"copy.zip"}, root.path()),
                  "zipfile reads the ZIP64 end record");

    // Behind a stub the archive reads as before, but ZIP64 records cannot be
    // written there: a change is refused before the directory leaves the file.
    shell("printf 'stub' | cat - copy.zip > prefixed.zip");
    const std::string prefixed = testkit::readFile(root.path() / "prefixed.zip");
    CZipStorage storage;
    storage.Open(zipPath(root.path() / "prefixed.zip"), CZipStorage::zipOpen, 0);
    CZipCentralDir dir(storage);
    dir.Read(false);
    EXPECT_EQ(4u, storage.m_uBytesBeforeZip);
    EXPECT_EQ(static_cast<ZIP_INDEX_TYPE>(entries), dir.GetCount());
    try {
        addStored(dir, "one-more", "x");
        ADD_FAILURE() << "ZIP64 behind a stub written";
    } catch (const CZipException& e) {
        EXPECT_EQ(122, e.GetCode());
    }
    storage.Close(false);
    EXPECT_TRUE(prefixed == testkit::readFile(root.path() / "prefixed.zip"));
}

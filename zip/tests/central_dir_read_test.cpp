// The central directory read from archives made by peers and by hand:
// names in their code pages, comments, descriptors, ZIP64 records, data in
// front of the archive, split volumes, and the order and lookup of entries.
#include <gtest/gtest.h>

#include "support.h"
#include "testkit/platform_root.h"
#include "zip/zip_exception.h"

using namespace ziptest;

namespace {

class Reading : public ::testing::Test {
protected:
    std::filesystem::path file(const std::string& name, const std::string& content) const {
        return root.write(name, content);
    }
    void shell(const std::string& command) const {
        expectSuccess(testkit::run({"sh", "-c", command}, root.path()), command);
    }
    testkit::PlatformRoot root;
};

std::string oemName() { return std::string("\x81") + "ber.txt"; }  // "über.txt" in code page 852

}  // namespace

TEST_F(Reading, InfoZipArchiveWithStoredAndDeflatedEntriesAndComments) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    file("a.txt", std::string(5000, 'a'));
    file("b.txt", "bee");
    file("žluťoučký.txt", "kůň");
    shell("zip -q -0 i.zip b.txt && zip -q -9 i.zip a.txt žluťoučký.txt && printf 'the archive' | zip -q -z i.zip");
    OpenedArchive archive(root.path() / "i.zip");
    ASSERT_EQ(3u, archive.count());
    EXPECT_EQ("b.txt", archive.name(0));
    EXPECT_EQ(0, archive.entry(0).m_uMethod);
    EXPECT_EQ("bee", archive.storedData(0));
    EXPECT_EQ(8, archive.entry(1).m_uMethod);
    EXPECT_EQ(9, archive.entry(1).LevelFromFlags());
    EXPECT_EQ(5000u, archive.entry(1).m_uUncomprSize);
    EXPECT_EQ(utf8Name("žluťoučký.txt"), archive.entry(2).GetFileName(false));
    EXPECT_EQ(3, archive.entry(2).GetSystemCompatibility());
    EXPECT_EQ(0x20u, archive.entry(0).GetLocalAttributes());
    const CZipAutoBuffer& comment = archive.m_dir.GetInfo().m_pszComment;
    EXPECT_EQ("the archive", std::string(comment.GetBuffer(), comment.GetSize()));
}

TEST_F(Reading, SevenZipAndPythonUtf8Names) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    file("d/žluť.txt", "x");
    shell("7z a -tzip s.zip d > /dev/null");
    OpenedArchive seven(root.path() / "s.zip");
    ASSERT_EQ(2u, seven.count());
    EXPECT_EQ(utf8Name("d\\žluť.txt"), seven.entry(1).GetFileName(false));
    EXPECT_TRUE(seven.entry(1).m_uFlag & CZipFileHeader::flagUtf8);
    EXPECT_EQ(0x10u, seven.entry(0).GetLocalAttributes() & 0x10);

    expectSuccess(python("import zipfile,sys\n"
                         "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                         "  z.writestr('dir/čaj.txt','tea'); z.comment=b'py'\n",
                         {"p.zip"}, root.path()),
                  "python writes");
    OpenedArchive py(root.path() / "p.zip");
    ASSERT_EQ(1u, py.count());
    EXPECT_EQ(utf8Name("dir\\čaj.txt"), py.entry(0).GetFileName(false));
    EXPECT_EQ(3u, py.entry(0).m_uUncomprSize);
}

TEST_F(Reading, OemNamesAndTheUnicodePathRecord) {
    const std::string unicode = "\x01" + le32(crc32Of(oemName())) + "žluťoučký.txt";
    const std::string stale = "\x01" + le32(crc32Of("other")) + "wrong.txt";
    const std::string bytes = buildArchive({
        {.name = oemName(), .data = "1", .host = 0},
        {.name = oemName(), .data = "2", .host = 0, .centralExtra = extraRecord(0x7075, unicode)},
        {.name = oemName(), .data = "3", .host = 0, .centralExtra = extraRecord(0x7075, stale)},
        {.name = "raw\xFC", .data = "4", .host = 11 + 1},  // any other host: the ANSI code page
        {.name = "čaj.txt", .data = "5", .host = 0, .flags = CZipFileHeader::flagUtf8},
    });
    OpenedArchive archive(bytes);
    ASSERT_EQ(5u, archive.count());
    EXPECT_EQ("über.txt", archive.name(0));
    EXPECT_EQ("žluťoučký.txt", archive.name(1));
    EXPECT_EQ("über.txt", archive.name(2));
    EXPECT_EQ("rawü", archive.name(3));
    EXPECT_EQ(utf8Name("čaj.txt"), archive.entry(4).GetFileName(false));  // the UTF-8 flag beats the host
    EXPECT_EQ(0u, archive.entry(1).m_aCentralExtraData.GetCount());  // managed by the library
}

// Info-ZIP's zip writing to a pipe puts the sizes into a data descriptor
// after the data, with 8-byte sizes because the local header has a ZIP64 record.
TEST_F(Reading, DescriptorsAndLocalZip64RecordsOfAStreamedEntry) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    shell("printf 'streamed data' | zip -q - - | cat > d.zip");
    OpenedArchive archive(root.path() / "d.zip");
    ASSERT_EQ(1u, archive.count());
    CZipFileHeader& entry = archive.entry(0);
    EXPECT_TRUE(entry.m_uFlag & CZipFileHeader::flagDataDescriptor);
    EXPECT_EQ(13u, entry.m_uUncomprSize);
    archive.storedData(0);
    EXPECT_NE(nullptr, entry.m_aLocalExtraData.FindRecord(0x0001));
    EXPECT_EQ(0u, entry.m_uLocalUncomprSize);
    EXPECT_TRUE(entry.VerifyDescriptor(archive.m_storage));
}

TEST_F(Reading, EntriesComeInLocalHeaderOrderAndAreFoundByName) {
    const std::string bytes = buildArchive({{.name = "b/Second.txt", .data = "2"},
                                            {.name = "a/first.txt", .data = "1"},
                                            {.name = "c/first.txt", .data = "3"}},
                                           "", {2, 0, 1});
    OpenedArchive archive(bytes);
    ASSERT_EQ(3u, archive.count());
    EXPECT_EQ("b\\Second.txt", archive.name(0));
    EXPECT_EQ("c\\first.txt", archive.name(2));
    CZipCentralDir& dir = archive.m_dir;
    EXPECT_EQ(0u, dir.FindByName(zipText("B\\SECOND.TXT"), false, false, false));
    EXPECT_EQ(ZIP_FILE_INDEX_NOT_FOUND, dir.FindByName(zipText("B\\SECOND.TXT"), true, true, false));
    EXPECT_EQ(0u, dir.FindByName(zipText("b\\Second.txt"), true, false, false));
    // The file name alone finds the first match in name order.
    EXPECT_EQ(1u, dir.FindByName(zipText("first.txt"), false, false, true));
    EXPECT_EQ(ZIP_FILE_INDEX_NOT_FOUND, dir.FindByName(zipText("none"), false, false, false));
}

TEST_F(Reading, DataInFrontShiftsEveryOffset) {
    const std::string archive = buildArchive({{.name = "x", .data = "payload"}});
    OpenedArchive opened(std::string(65536, 'S') + archive);
    EXPECT_EQ(65536u, opened.m_storage.m_uBytesBeforeZip);
    EXPECT_EQ("payload", opened.storedData(0));
}

TEST_F(Reading, TheEndRecordIsSearchedWithinTheLongestComment) {
    const std::string longest(65535, 'c');
    EXPECT_EQ(0, openFails(buildArchive({{.name = "x", .data = "y"}}, longest)));
    // The same record behind more trailing bytes than a comment can hold.
    EXPECT_EQ(120, openFails(buildArchive({{.name = "x", .data = "y"}}) + std::string(65536, 't')));
    // An end record whose signature straddles two 32 KiB chunks of the search.
    for (std::size_t comment : {32768u - 22u - 1u, 32768u - 22u, 32768u - 22u + 2u})
        EXPECT_EQ(0, openFails(buildArchive({{.name = "x", .data = "y"}}, std::string(comment, 'k')))) << comment;
}

TEST_F(Reading, AnUndercountingEndRecordIsReadWholeWhenExhaustive) {
    std::string bytes = buildArchive({{.name = "one", .data = "1"}, {.name = "two", .data = "2"}});
    const std::size_t end = bytes.rfind("PK\x05\x06");
    bytes.replace(end + 8, 4, le16(1) + le16(1));
    EXPECT_EQ(1u, OpenedArchive(bytes, false).count());
    EXPECT_EQ(2u, OpenedArchive(bytes, true).count());
}

TEST_F(Reading, SplitVolumesOfInfoZip) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    std::string big;
    for (long long i = 0; i < 40000; ++i) big += std::to_string(i * 7919 % 10007);
    file("big.bin", big);
    file("small.txt", "small");
    shell("zip -q -s 64k -0 split.zip big.bin small.txt");
    ASSERT_TRUE(std::filesystem::exists(root.path() / "split.z02"));
    OpenedArchive archive(root.path() / "split.zip");
    EXPECT_TRUE(archive.m_storage.IsSplit());
    ASSERT_EQ(2u, archive.count());
    EXPECT_EQ(big, archive.storedData(0));
    EXPECT_EQ("small", archive.storedData(1));
}

TEST_F(Reading, BinarySplitVolumesOf7Zip) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    std::string big;
    for (long long i = 0; i < 30000; ++i) big += std::to_string(i * 104729 % 99991);
    file("big.bin", big);
    shell("7z a -tzip -mx0 -v50k bin.zip big.bin > /dev/null");
    ASSERT_TRUE(std::filesystem::exists(root.path() / "bin.zip.003"));
    std::filesystem::path last = root.path() / "bin.zip.003";
    for (int n = 4; std::filesystem::exists(root.path() / ("bin.zip.00" + std::to_string(n))); ++n)
        last = root.path() / ("bin.zip.00" + std::to_string(n));
    OpenedArchive archive(last, CZipStorage::zipOpenReadOnly | CZipStorage::zipModeBinSplit);
    EXPECT_TRUE(archive.m_storage.IsBinarySplit());
    ASSERT_EQ(1u, archive.count());
    EXPECT_EQ(big, archive.storedData(0));
}

TEST_F(Reading, AMemoryArchiveStaysTheCallers) {
    const std::string bytes = buildArchive({{.name = "x", .data = "y"}});
    std::string held = bytes;
    CZipMemFile memory;
    memory.UseBuffer(held.data(), static_cast<std::uint32_t>(held.size()));
    {
        CZipStorage storage;
        storage.Open(memory, CZipStorage::zipOpenReadOnly);
        CZipCentralDir dir(storage);
        dir.Read(false);
        EXPECT_EQ(1u, dir.GetCount());
        storage.Close(false);
    }
    EXPECT_EQ(bytes.size(), memory.GetLength());
    EXPECT_EQ(bytes, held);
}

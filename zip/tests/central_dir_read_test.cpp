// The central directory read from archives made by peers and by hand:
// names in their code pages, comments, descriptors, ZIP64 records, data in
// front of the archive, split volumes, and the order and lookup of entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

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
    EXPECT_EQ(zipText("žluťoučký.txt"), archive.entry(2).GetFileName(false));
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
    EXPECT_EQ(zipText("d\\žluť.txt"), seven.entry(1).GetFileName(false));
    EXPECT_TRUE(seven.entry(1).m_uFlag & CZipFileHeader::flagUtf8);
    EXPECT_EQ(0x10u, seven.entry(0).GetLocalAttributes() & 0x10);

    expectSuccess(python("import zipfile,sys\n"
                         "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                         "  z.writestr('dir/čaj.txt','tea'); z.comment=b'py'\n",
                         {"p.zip"}, root.path()),
                  "python writes");
    OpenedArchive py(root.path() / "p.zip");
    ASSERT_EQ(1u, py.count());
    EXPECT_EQ(zipText("dir\\čaj.txt"), py.entry(0).GetFileName(false));
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
    EXPECT_EQ(zipText("čaj.txt"), archive.entry(4).GetFileName(false));  // the UTF-8 flag beats the host
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

// Extra fields that end in 1 to 3 zero bytes (zipalign pads local headers
// so) are read as the peers read them, in local and central headers; other
// bytes there are damage.
TEST_F(Reading, ExtraFieldsEndingInZeroPadding) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    expectSuccess(python("import sys, zipfile\n"
                         "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                         "    for name, pad in (('one', 1), ('two', 2), ('three', 3)):\n"
                         "        i = zipfile.ZipInfo(name); i.extra = b'UT\\x05\\0\\1\\0\\0\\0\\0' + bytes(pad)\n"
                         "        z.writestr(i, name * 3)\n",
                         {"padded.zip"}, root.path()),
                  "python writes");
    expectSuccess(testkit::run({"unzip", "-tq", "padded.zip"}, root.path()), "unzip tests");
    const std::string bytes = testkit::readFile(root.path() / "padded.zip");
    OpenedArchive archive(bytes);
    ASSERT_EQ(3u, archive.count());
    for (ZIP_INDEX_TYPE i = 0; i < archive.count(); ++i) {
        const std::string name = archive.name(i);
        EXPECT_EQ(name + name + name, archive.storedData(i));
        EXPECT_EQ(1u, archive.entry(i).m_aLocalExtraData.GetCount()) << name;
    }
    const std::size_t padding = bytes.find("PK\x01\x02") + 46 + 3 + 9;
    ASSERT_EQ('\0', bytes[padding]);
    EXPECT_EQ(101, openFails(std::string(bytes).replace(padding, 1, "x")));
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

// A self-extracting stub in front keeps the archive's offsets counting from
// its own start, in the plain end record and in the ZIP64 records alike.
TEST_F(Reading, DataInFrontShiftsEveryOffset) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    file("x", "payload");
    shell("zip -q -0 -fz zip64.zip x");
    const std::string zip64 = testkit::readFile(root.path() / "zip64.zip");
    ASSERT_NE(std::string::npos, zip64.find("PK\x06\x07"));
    for (const std::string& archive : {buildArchive({{.name = "x", .data = "payload"}}), zip64}) {
        OpenedArchive opened(std::string(65536, 'S') + archive);
        EXPECT_EQ(65536u, opened.m_storage.m_uBytesBeforeZip);
        ASSERT_EQ(1u, opened.count());
        EXPECT_EQ("payload", opened.storedData(0));
    }
}

// The end record is the one whose comment ends where the file ends: an end
// record, or a whole archive, inside the comment is comment, as 7-Zip reads
// it. Bytes appended behind an archive leave its end record the one found.
TEST_F(Reading, AnEndRecordInsideTheCommentIsComment) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    const std::string fakeEnd = "PK\x05\x06" + std::string(16, '\0') + le16(5) + "abcde";
    const std::vector<RawEntry> entries{{.name = "outer1.txt", .data = "1"}, {.name = "outer2.txt", .data = "2"}};
    for (const std::string& comment : {buildArchive({{.name = "inner.txt", .data = "i"}}), "note " + fakeEnd}) {
        const std::string bytes = buildArchive(entries, comment);
        const testkit::RunResult listed = testkit::run({"7z", "l", "-ba", "-slt", file("c.zip", bytes).string()});
        std::string theirs;
        std::istringstream lines(listed.out);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("Path = ", 0) == 0) theirs += line.substr(7) + "\n";
        OpenedArchive archive(bytes);
        std::string ours;
        for (ZIP_INDEX_TYPE i = 0; i < archive.count(); ++i) ours += archive.name(i) + "\n";
        EXPECT_EQ("outer1.txt\nouter2.txt\n", theirs);
        EXPECT_EQ(theirs, ours);
        const CZipAutoBuffer& stored = archive.m_dir.GetInfo().m_pszComment;
        EXPECT_EQ(comment, std::string(stored.GetBuffer(), stored.GetSize()));
    }
    EXPECT_EQ(2u, OpenedArchive(buildArchive(entries) + std::string(300, 't')).count());
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

// Writers that leave ZIP64 records out let the plain end record's 16-bit
// count wrap; the directory's size still covers every header.
TEST_F(Reading, MoreThan65535EntriesBehindAWrappedCount) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    std::vector<RawEntry> entries;
    for (int i = 0; i < 70000; ++i) entries.push_back({.name = "d" + std::to_string(i % 7) + "/e" + std::to_string(i), .data = std::to_string(i)});
    const std::string bytes = buildArchive(entries);
    ASSERT_EQ(le16(70000 - 65536), bytes.substr(bytes.size() - 12, 2));
    const testkit::RunResult listed = testkit::run({"unzip", "-Z1", file("wrapped.zip", bytes).string()});
    OpenedArchive archive(bytes);
    ASSERT_EQ(70000u, archive.count());
    std::string ours;
    for (ZIP_INDEX_TYPE i = 0; i < archive.count(); ++i) {
        std::string name = archive.name(i);
        std::replace(name.begin(), name.end(), '\\', '/');
        ours += name + "\n";
    }
    EXPECT_EQ(listed.out, ours);
    EXPECT_EQ(69999u, archive.m_dir.FindByName(zipText("d6\\e69999"), false, false, false));
    EXPECT_EQ("69999", archive.storedData(69999));

    // A count that disagrees with the headers the directory holds, other
    // than by multiples of 65,536, leaves no part to pass for the whole.
    std::string undercounted = buildArchive({{.name = "one", .data = "1"}, {.name = "two", .data = "2"}});
    undercounted.replace(undercounted.size() - 14, 4, le16(1) + le16(1));
    try {
        OpenedArchive opened(undercounted);
        ADD_FAILURE() << opened.count() << " entries listed";
    } catch (const CZipException& e) {
        EXPECT_EQ(101, e.GetCode());
    }
    EXPECT_EQ(2u, OpenedArchive(undercounted, true).count());  // exhaustive: whatever follows
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

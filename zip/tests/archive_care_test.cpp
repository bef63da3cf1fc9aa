// What the archive does where a literal reading of its old behaviour would
// lose or expose data: closing after an exception, zero buffers, short
// reads, predictable encryption headers, names made from disk paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

bool addBytes(CZipBundle& zip, const std::string& bytes, const std::string& name) {
    CZipMemFile memory;
    memory.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return zip.AddNewFile(memory, zipText(name));
}

// Gives at most 1,000 bytes a read, as a pipe might.
class TricklingSource : public CZipMemFile {
public:
    std::uint32_t Read(void* buffer, std::uint32_t count) override { return CZipMemFile::Read(buffer, std::min(count, 1000u)); }
};

}  // namespace

// A changed archive no longer has its directory in the file; closing it
// after an exception still writes one, or every entry would be lost.
TEST(ArchiveCare, CloseAfterExceptionKeepsAChangedExistingArchive) {
    Scratch scratch;
    const auto archive = scratch.file("a.zip");
    {
        CZipBundle zip;
        zip.Open(zipPath(archive), CZipBundle::zipCreate);
        ASSERT_TRUE(addBytes(zip, "old one", "old.txt"));
        zip.Close();
    }
    {
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpen));
        ASSERT_TRUE(addBytes(zip, "new one", "new.txt"));
        EXPECT_NE(0, zipErrorOf([&] { zip.AddNewFile(zipPath(scratch.file("missing")), zipText("x")); }));
        zip.Close(CZipBundle::closeAfterException);
    }
    EXPECT_EQ((std::map<std::string, std::string>{{"new.txt", "new one"}, {"old.txt", "old one"}}), pythonContents(archive));

    // A new archive closed after an exception is given up, as before.
    CZipBundle fresh;
    fresh.Open(zipPath(scratch.file("b.zip")), CZipBundle::zipCreate);
    addBytes(fresh, "x", "x.txt");
    fresh.Close(CZipBundle::closeAfterException);
    EXPECT_EQ(CZipException::noEndRecord, zipErrorOf([&] {
                  CZipBundle again;
                  again.Open(zipPath(scratch.file("b.zip")), CZipBundle::zipOpenReadOnly);
              }));
}

// ZIP64 records cannot be written behind data in front of an archive: a
// change to such an archive that needs them (65,535 entries) is refused
// before its directory leaves the file, which stays as it was.
TEST(ArchiveCare, AnArchiveThatNeedsZip64BehindAStubIsLeftUnchanged) {
    Scratch scratch;
    std::vector<RawEntry> entries;
    for (int i = 0; i < 0xFFFF; ++i) entries.push_back({.name = "e" + std::to_string(i), .data = "x"});
    const std::string bytes = "stub" + buildArchive(entries);
    const auto archive = scratch.write("stub.zip", bytes);
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive)));
    ASSERT_EQ(0xFFFFu, zip.GetCount());
    EXPECT_EQ(122, zipErrorOf([&] { addBytes(zip, "new", "new.txt"); }));
    zip.Close(CZipBundle::closeAfterException);
    EXPECT_TRUE(bytes == testkit::readFile(archive));
}

TEST(ArchiveCare, ExtractingWithoutABufferTouchesNothing) {
    Scratch scratch;
    const auto archive = scratch.file("a.zip");
    CZipBundle zip;
    zip.Open(zipPath(archive), CZipBundle::zipCreate);
    addBytes(zip, "content", "doc.txt");
    zip.Close();
    scratch.write("t/doc.txt", "precious");
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    EXPECT_FALSE(zip.ExtractFile(0, zipPath(scratch.file("t")), false, nullptr, 0));
    CZipMemFile memory;
    EXPECT_FALSE(zip.ExtractFile(0, memory, true, 0));
    zip.Close();
    EXPECT_EQ("precious", testkit::readFile(scratch.file("t/doc.txt")));
}

TEST(ArchiveCare, ASourceIsReadToItsEnd) {
    Scratch scratch;
    const auto archive = scratch.file("a.zip");
    const std::string content = textData(50000);
    CZipBundle zip;
    zip.Open(zipPath(archive), CZipBundle::zipCreate);
    TricklingSource source;
    source.Write(content.data(), static_cast<std::uint32_t>(content.size()));
    ASSERT_TRUE(zip.AddNewFile(source, zipText("doc.txt")));
    zip.Close();
    EXPECT_EQ(content, pythonContents(archive).at("doc.txt"));
}

// Encryption headers and salts come from the system's generator: they
// differ from entry to entry within one second, and the C library's
// generator, which other code may have seeded, is left alone.
TEST(ArchiveCare, EncryptionHeadersAndSaltsDoNotRepeat) {
    for (const int method : {int{CZipCryptograph::encStandard}, int{CZipCryptograph::encWinZipAes256}}) {
        SCOPED_TRACE(method);
        Scratch scratch;
        const auto archive = scratch.file("e.zip");
        std::srand(7);
        const int expectedNext = std::rand();
        std::srand(7);
        CZipBundle zip;
        zip.SetEncryptionMethod(method);
        zip.Open(zipPath(archive), CZipBundle::zipCreate);
        zip.SetPassword("same");
        for (int i = 0; i < 8; ++i) ASSERT_TRUE(addBytes(zip, "same content", "e" + std::to_string(i)));
        zip.Close();
        EXPECT_EQ(expectedNext, std::rand());

        CZipBundle reader;
        reader.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
        const std::string bytes = testkit::readFile(archive);
        std::set<std::string> headers;
        for (ZIP_INDEX_TYPE i = 0; i < reader.GetCount(); ++i) {
            const CZipFileHeader& header = *reader.GetFileInfo(i);
            const std::size_t data = header.m_uOffset + 30 + 2 + (method == CZipCryptograph::encStandard ? 0 : 11);
            headers.insert(bytes.substr(data, method == CZipCryptograph::encStandard ? 10 : 16));
        }
        reader.Close();
        EXPECT_EQ(8u, headers.size());
    }
}

// Names made from disk paths are relative and use "\" between folders.
TEST(ArchiveCare, NamesFromDiskPathsAreRelative) {
    CZipBundle zip;
    EXPECT_EQ("tmp\\data\\a.txt", utf8(zip.PredictFileNameInZip(zipText("/tmp/data/a.txt"), true, CZipBundle::pathFile)));
    EXPECT_EQ("a.txt", utf8(zip.PredictFileNameInZip(zipText("/tmp/data/a.txt"), false, CZipBundle::pathFile)));
    EXPECT_EQ("data\\sub\\", utf8(zip.PredictFileNameInZip(zipText("/data/sub/"), true, CZipBundle::pathBySeparator)));
    EXPECT_EQ("dir\\a\\b\\", utf8(zip.PredictFileNameInZip(zipText("C:\\dir\\a\\b"), true, CZipBundle::pathDirectory)));
    EXPECT_EQ("/out\\a.txt", utf8(zip.PredictExtractedFileName(zipText("dir\\a.txt"), zipText("/out"), false)));
    EXPECT_EQ("/out\\dir\\a.txt", utf8(zip.PredictExtractedFileName(zipText("dir\\a.txt"), zipText("/out/"), true)));
}

// A replacement goes through a temporary archive that keeps the archive's
// compression method.
TEST(ArchiveCare, AReplacementKeepsTheArchivesMethod) {
    Scratch scratch;
    const auto archive = scratch.file("b.zip");
    CZipBundle zip;
    zip.SetCompressionMethod(12);
    zip.Open(zipPath(archive), CZipBundle::zipCreate);
    ASSERT_TRUE(addBytes(zip, textData(4000), "a.txt"));
    ASSERT_TRUE(addBytes(zip, textData(4000), "b.txt"));
    CZipMemFile replacement;
    const std::string text = textData(9000, 3);
    replacement.Write(text.data(), static_cast<std::uint32_t>(text.size()));
    CZipAddRequest request(replacement, zipText("a.txt"));
    request.m_uReplaceIndex = 0;
    ASSERT_TRUE(zip.AddNewFile(request));
    EXPECT_EQ(12, zip.GetFileInfo(0)->m_uMethod);
    zip.Close();
    EXPECT_EQ(text, pythonContents(archive).at("a.txt"));
}

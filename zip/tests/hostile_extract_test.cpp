// Hostile archives made at test time: entry names that climb out of the
// target folder or carry drives and prefixes, symbolic links, and an entry
// that claims a small size but inflates far beyond it. Nothing is written
// outside the target folder and the bomb stops at its declared size with
// code 101.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "bundle_support.h"

using namespace ziptest;

namespace {

// Entries whose names must not leave the folder (as stored, "/" or "\").
const std::vector<std::string> kClimbing = {"../evil1.txt", "..\\evil2.txt", "a/../../evil3.txt",
                                            "ok/b/../../../evil4.txt", "..", "x/.."};

std::string rawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void put(std::string& bytes, std::size_t at, const std::string& value) { bytes.replace(at, value.size(), value); }

// A one-entry archive whose data are deflated but whose headers claim the
// given uncompressed size and CRC.
std::string lyingDeflateArchive(const std::string& inflated, std::uint32_t claimedSize, std::uint32_t claimedCrc) {
    std::string archive = buildArchive({RawEntry{"bomb.bin", rawDeflate(inflated)}});
    const std::size_t central = archive.find("PK\x01\x02");
    put(archive, 8, le16(8));
    put(archive, 14, le32(claimedCrc));
    put(archive, 22, le32(claimedSize));
    put(archive, central + 10, le16(8));
    put(archive, central + 16, le32(claimedCrc));
    put(archive, central + 24, le32(claimedSize));
    return archive;
}

// A target that only counts what reaches it.
class CountingFile : public CZipAbstractFile {
public:
    void Close() override {}
    void Flush() override {}
    ZIP_FILE_USIZE GetPosition() const override { return m_written; }
    ZIP_FILE_USIZE Seek(ZIP_FILE_SIZE offset, int) override { return m_written = static_cast<ZIP_FILE_USIZE>(offset); }
    ZIP_FILE_USIZE GetLength() const override { return m_written; }
    void SetLength(ZIP_FILE_USIZE length) override { m_written = length; }
    CZipString GetFilePath() const override { return {}; }
    std::uint32_t Read(void*, std::uint32_t) override { return 0; }
    void Write(const void*, std::uint32_t count) override {
        m_written += count;
        m_total += count;
    }
    bool IsClosed() const override { return false; }

    ZIP_FILE_USIZE m_written = 0;
    ZIP_FILE_USIZE m_total = 0;  // every byte ever written
};

}  // namespace

TEST(HostileExtract, NamesThatClimbOutAreRefused) {
    Scratch scratch;
    std::vector<RawEntry> entries;
    for (const std::string& name : kClimbing) entries.push_back({name, "payload of " + name});
    entries.push_back({"/abs.txt", "made relative"});
    entries.push_back({"inside/ok.txt", "fine"});
    const auto archive = scratch.write("climb.zip", buildArchive(entries));
    const auto target = scratch.file("deep/target");
    std::filesystem::create_directories(target);

    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    for (ZIP_INDEX_TYPE i = 0; i < kClimbing.size(); ++i)
        EXPECT_FALSE(zip.ExtractFile(i, zipPath(target), true)) << kClimbing[i];
    // An absolute name loses its leading separator, as other extractors do.
    EXPECT_TRUE(zip.ExtractFile(kClimbing.size(), zipPath(target), true));
    EXPECT_TRUE(zip.ExtractFile(kClimbing.size() + 1, zipPath(target), true));
    // A caller's new name is a file name too when folders are not kept.
    EXPECT_TRUE(zip.ExtractFile(0, zipPath(target), false, zipText("..\\..\\renamed.txt").c_str()));
    zip.Close();

    std::map<std::string, std::string> expected{{"climb.zip", testkit::readFile(archive)},
                                                {"deep/target/inside/ok.txt", "fine"},
                                                {"deep/target/abs.txt", "made relative"},
                                                {"deep/target/renamed.txt", "payload of ../evil1.txt"}};
    EXPECT_EQ(expected, scratch.files(scratch.dir()));
}

// Drives and the "\\", "\\?\" and "\\?\UNC\" prefixes are dropped as a
// leading separator is: what follows them is a path inside the target
// folder, refused like any other when it climbs or when nothing is left.
TEST(HostileExtract, DrivesAndPrefixesAreDroppedAndClimbingAfterThemIsRefused) {
    const std::vector<std::pair<std::string, std::string>> kept = {
        {"C:\\evil1.txt", "evil1.txt"},
        {"C:evil2.txt", "evil2.txt"},
        {"D:/dir/evil3.txt", "dir/evil3.txt"},
        {"\\\\server\\share\\evil4.txt", "server/share/evil4.txt"},
        {"//server/share/evil5.txt", "server/share/evil5.txt"},
        {"\\\\?\\C:\\evil6.txt", "evil6.txt"},
        {"\\\\?\\UNC\\server\\share\\evil7.txt", "server/share/evil7.txt"}};
    const std::vector<std::string> refused = {"c:/x/../../evil8.txt", "C:..\\evil9.txt", "\\\\?\\C:\\..\\evil10.txt",
                                              "\\\\server\\..\\..\\evil11.txt", "//?/UNC/s/../../../evil12.txt", "C:"};
    Scratch scratch;
    std::vector<RawEntry> entries;
    for (const auto& [name, landing] : kept) entries.push_back({name, "payload of " + name});
    for (const std::string& name : refused) entries.push_back({name, "payload of " + name});
    const auto archive = scratch.write("drives.zip", buildArchive(entries));
    const auto target = scratch.file("deep/target");
    std::filesystem::create_directories(target);

    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    std::map<std::string, std::string> expected{{"drives.zip", testkit::readFile(archive)}};
    for (ZIP_INDEX_TYPE i = 0; i < kept.size(); ++i) {
        const auto& [name, landing] = kept[i];
        EXPECT_TRUE(zip.ExtractFile(i, zipPath(target), true)) << name;
        // The path a caller is told in advance is the one written.
        const CZipString stored = zip.GetFileInfo(i)->GetFileName(false);
        std::string predicted = utf8(zip.PredictExtractedFileName(stored, zipPath(target), true));
        std::replace(predicted.begin(), predicted.end(), '\\', '/');
        EXPECT_EQ((target / landing).string(), predicted) << name;
        expected["deep/target/" + landing] = "payload of " + name;
        // Without folders only the file name is left.
        EXPECT_TRUE(zip.ExtractFile(i, zipPath(scratch.file("flat")), false)) << name;
        expected["flat/" + std::filesystem::path(landing).filename().string()] = "payload of " + name;
    }
    for (ZIP_INDEX_TYPE i = 0; i < refused.size(); ++i)
        EXPECT_FALSE(zip.ExtractFile(kept.size() + i, zipPath(target), true)) << refused[i];
    zip.Close();
    EXPECT_EQ(expected, scratch.files(scratch.dir()));
}

TEST(HostileExtract, WithoutFoldersOnlyTheFileNameIsUsed) {
    Scratch scratch;
    const auto archive = scratch.write("climb.zip", buildArchive({{"../../evil.txt", "x"}, {"a/../../b.txt", "y"}}));
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    EXPECT_TRUE(zip.ExtractFile(0, zipPath(scratch.file("t")), false));
    EXPECT_TRUE(zip.ExtractFile(1, zipPath(scratch.file("t")), false));
    zip.Close();
    EXPECT_EQ((std::map<std::string, std::string>{{"b.txt", "y"}, {"evil.txt", "x"}}), scratch.files(scratch.file("t")));
}

TEST(HostileExtract, SymbolicLinksAreNotExtracted) {
    Scratch scratch;
    RawEntry link{"link", "../../outside"};
    link.host = 3;
    link.externalAttributes = 0120777u << 16;
    const auto archive = scratch.write("link.zip", buildArchive({link}));
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    EXPECT_FALSE(zip.ExtractFile(0, zipPath(scratch.file("t")), true));
    zip.Close();
    EXPECT_FALSE(std::filesystem::exists(scratch.file("t/link")));
    EXPECT_FALSE(std::filesystem::is_symlink(scratch.file("t/link")));
}

TEST(HostileExtract, InflateBombStopsAtTheDeclaredSize) {
    Scratch scratch;
    constexpr std::uint32_t claimed = 1000;
    const std::string inflated(64u << 20, '\0');
    const auto archive = scratch.write("bomb.zip", lyingDeflateArchive(inflated, claimed, crc32Of(inflated.substr(0, claimed))));
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    CountingFile counter;
    EXPECT_EQ(CZipException::badArchive, zipErrorOf([&] { zip.ExtractFile(0, counter); }));
    EXPECT_LE(counter.m_total, claimed);
    EXPECT_EQ(0u, counter.m_written);
    EXPECT_EQ(CZipException::badArchive, zipErrorOf([&] { zip.ExtractFile(0, zipPath(scratch.file("t")), true); }));
    zip.Close();
    EXPECT_TRUE(scratch.files(scratch.file("t")).empty());
}

// Data that end before the declared size are damage too, not a short file.
TEST(HostileExtract, DataShorterThanDeclaredAreRefused) {
    Scratch scratch;
    const std::string inflated = textData(5000);
    const auto archive = scratch.write("short.zip", lyingDeflateArchive(inflated, 6000, crc32Of(inflated)));
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    std::string data;
    EXPECT_EQ(CZipException::badArchive, extractFails(zip, 0, &data));
    EXPECT_TRUE(data.empty());
    zip.Close();
}

// Hostile archives made at test time: entry names that climb out of the
// target folder or carry drives and prefixes, symbolic links stored in the
// archive or planted in the target folder, over-long names, methods the
// library does not decompress, and entries that claim a small size but
// inflate far beyond it or claim more than memory extraction allows.
// Nothing is written outside the target folder, a bomb stops at its
// declared size with code 101, and a memory target stays within its limit.
#include <gtest/gtest.h>
#include <zlib.h>

#include <limits.h>

#include <algorithm>
#include <cerrno>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

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

// Links planted in the target folder before extraction (a folder leading
// outside, at any depth, and a file's name) stop their entries with ELOOP;
// what they point at is untouched. An existing file is replaced by renaming
// the verified temporary file onto its name, so a hard link to it (here one
// outside the folder) keeps the old content.
TEST(HostileExtract, PlantedLinksAreNotFollowed) {
    Scratch scratch;
    const std::vector<RawEntry> entries = {{"sub/evil.txt", "evil"},  {"deep/sub/evil.txt", "evil"},
                                           {"victim.txt", "evil"},    {"sub/made/", ""},
                                           {"fine/ok.txt", "new"}};
    const auto archive = scratch.write("links.zip", buildArchive(entries));
    const auto target = scratch.file("target");
    const auto outside = scratch.file("outside");
    scratch.write("outside/victim.txt", "precious");
    scratch.write("target/fine/ok.txt", "old");
    std::filesystem::create_hard_link(target / "fine/ok.txt", outside / "hard.txt");
    std::filesystem::create_directories(target / "deep");
    std::filesystem::create_symlink(outside, target / "sub");
    std::filesystem::create_symlink(outside, target / "deep/sub");
    std::filesystem::create_symlink(outside / "victim.txt", target / "victim.txt");

    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    for (ZIP_INDEX_TYPE i = 0; i < 4; ++i)
        EXPECT_EQ(ELOOP, zipErrorOf([&] { zip.ExtractFile(i, zipPath(target), true); })) << entries[i].name;
    // Without folders only the file name is used: the link at it still counts.
    EXPECT_EQ(ELOOP, zipErrorOf([&] { zip.ExtractFile(0, zipPath(target), false, zipText("victim.txt").c_str()); }));
    EXPECT_TRUE(zip.ExtractFile(4, zipPath(target), true));
    zip.Close();

    EXPECT_EQ((std::map<std::string, std::string>{{"hard.txt", "old"}, {"victim.txt", "precious"}}), scratch.files(outside));
    for (const char* link : {"sub", "deep/sub", "victim.txt"}) EXPECT_TRUE(std::filesystem::is_symlink(target / link)) << link;
    // No temporary file is left behind.
    std::filesystem::remove(target / "victim.txt");
    EXPECT_EQ((std::map<std::string, std::string>{{"fine/ok.txt", "new"}}), scratch.files(target));
}

// A name component the file system cannot hold is ENAMETOOLONG, checked
// before anything is made; one of exactly NAME_MAX bytes is written.
TEST(HostileExtract, OverLongNameComponentsAreRefused) {
    Scratch scratch;
    const std::string tooLong(NAME_MAX + 1, 'n');
    const std::string longest(NAME_MAX, 'm');
    const auto archive = scratch.write(
        "long.zip", buildArchive({{tooLong, "x"}, {"a/" + tooLong + "/b.txt", "x"}, {tooLong + "/", ""}, {"ok/" + longest, "fits"}}));
    const auto target = scratch.file("target");
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    for (ZIP_INDEX_TYPE i = 0; i < 3; ++i)
        EXPECT_EQ(ENAMETOOLONG, zipErrorOf([&] { zip.ExtractFile(i, zipPath(target), true); })) << i;
    EXPECT_TRUE(zip.ExtractFile(3, zipPath(target), true));
    zip.Close();
    EXPECT_EQ((std::map<std::string, std::string>{{"ok/" + longest, "fits"}}), scratch.files(target));
    EXPECT_EQ(1u, std::distance(std::filesystem::directory_iterator(target), std::filesystem::directory_iterator()));
}

// 7-Zip's LZMA is a method the library does not decompress: into memory and
// to disk it is the same code 124, and nothing is written.
TEST(HostileExtract, UnsupportedMethodsThrowTheSameCodeEverywhere) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    Scratch scratch;
    scratch.write("tree/doc.txt", textData(3000));
    expectPeerAccepts({"7z", "a", "-tzip", "-mm=LZMA", "lzma.zip", "tree/doc.txt"}, scratch.dir());
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(scratch.file("lzma.zip")), CZipBundle::zipOpenReadOnly));
    ASSERT_EQ(1u, zip.GetCount());
    CZipMemFile memory;
    memory.Write("before", 6);
    EXPECT_EQ(CZipException::unsupportedMethod, zipErrorOf([&] { zip.ExtractFile(0, memory); }));
    EXPECT_EQ("before", memoryBytes(memory));
    EXPECT_EQ(CZipException::unsupportedMethod, zipErrorOf([&] { zip.ExtractFile(0, zipPath(scratch.file("t")), true); }));
    zip.Close();
    EXPECT_FALSE(std::filesystem::exists(scratch.file("t")));
}

// A memory target grows with the data that arrive and within the limit: an
// entry that declares more is refused before anything is allocated (a
// 100-byte archive that claims 4 GB leaves a fresh memory file without a
// block), and one that inflates past what it declares stops with the
// caller's file as it was.
TEST(HostileExtract, MemoryTargetsStayWithinTheLimit) {
    Scratch scratch;
    const std::string claimsFourGb = lyingDeflateArchive("x", 0xFFFFFFF0u, crc32Of("x"));
    ASSERT_LT(claimsFourGb.size(), 120u);
    const std::string text = textData(5000);
    const std::string inflated(64u << 20, '\0');
    const auto claims = scratch.write("claims.zip", claimsFourGb);
    const auto plain = scratch.write("plain.zip", buildArchive({{"doc.txt", text}}));
    const auto bomb = scratch.write("bomb.zip", lyingDeflateArchive(inflated, 5000, crc32Of(inflated.substr(0, 5000))));
    auto extract = [](const std::filesystem::path& archive, ZIP_SIZE_TYPE limit, CZipMemFile& target) {
        CZipBundle zip;
        zip.SetMemoryExtractionLimit(limit);  // kept through the open
        zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
        return zipErrorOf([&] {
            if (!zip.ExtractFile(0, target)) throw CZipException(-1);
        });
    };

    EXPECT_EQ(ZIP_SIZE_TYPE{256} << 20, CZipBundle().GetMemoryExtractionLimit());
    CZipMemFile fresh;
    EXPECT_EQ(CZipException::tooLargeForMemory, extract(claims, CZipBundle::kDefaultMemoryExtractionLimit, fresh));
    EXPECT_TRUE(fresh.IsClosed());
    // Above the limit nothing is allocated either: the data end short of the claim.
    EXPECT_EQ(CZipException::badArchive, extract(claims, ZIP_SIZE_TYPE{1} << 40, fresh));
    EXPECT_EQ(0u, fresh.GetLength());

    CZipMemFile kept;
    kept.Write("before", 6);
    EXPECT_EQ(CZipException::tooLargeForMemory, extract(plain, 4999, kept));
    EXPECT_EQ(CZipException::badArchive, extract(bomb, 5000, kept));
    EXPECT_EQ("before", memoryBytes(kept));
    EXPECT_EQ(0, extract(plain, 5000, kept));
    EXPECT_EQ("before" + text, memoryBytes(kept));
}

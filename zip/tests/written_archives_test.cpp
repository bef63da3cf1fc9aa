// Every archive the library writes passes the peers' tests (Info-ZIP
// unzip, 7-Zip, Python's zipfile, as far as each supports the method and
// the encryption) and extracts to the bytes that went in.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include <chrono>
#include <ctime>
#include <sstream>

#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

constexpr const char* kWrittenKey = "tajne-heslo 42";

struct Variant {
    const char* name;
    std::uint16_t method;
    int encryption;
};

bool isAes(int encryption) { return encryption >= CZipCryptograph::encWinZipAes128 && encryption <= CZipCryptograph::encWinZipAes256; }

// Text, random data, an empty and a tiny file, a folder, and bytes from memory.
std::map<std::string, std::string> sampleFiles() {
    return {{"docs/report.txt", textData(200000, 4)}, {"bin/random.bin", randomData(70000, 5)},
            {"empty.txt", ""}, {"tiny.txt", "abc"}, {"docs/sub/notes.txt", textData(1000, 6)}};
}

void writeArchive(const Scratch& scratch, const std::filesystem::path& archive, const Variant& variant,
                  const std::string& memoryEntry) {
    for (const auto& [name, content] : sampleFiles()) scratch.write("src/" + name, content);
    std::filesystem::create_directories(scratch.file("src/folder"));
    CZipBundle zip;
    ASSERT_TRUE(zip.SetCompressionMethod(variant.method));
    ASSERT_TRUE(zip.SetEncryptionMethod(variant.encryption));
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipCreate));
    if (variant.encryption != CZipCryptograph::encNone) {
        ASSERT_TRUE(zip.SetPassword(zipText(kWrittenKey).c_str()));
    }
    zip.SetRootFolder(zipPath(scratch.file("src")).c_str());
    auto addBelowRoot = [&](const std::string& relative) {
        CZipAddRequest request(zipPath(scratch.file("src/" + relative)), {});
        request.m_bFullPath = false;
        return zip.AddNewFile(request);
    };
    for (const auto& [name, content] : sampleFiles()) ASSERT_TRUE(addBelowRoot(name)) << name;
    ASSERT_TRUE(addBelowRoot("folder"));
    CZipMemFile memory;
    memory.Write(memoryEntry.data(), static_cast<std::uint32_t>(memoryEntry.size()));
    ASSERT_TRUE(zip.AddNewFile(memory, zipText("memory\\bytes.dat")));
    zip.Close();
}

class WrittenArchive : public ::testing::TestWithParam<Variant> {};

}  // namespace

TEST_P(WrittenArchive, PassesThePeersAndExtractsTheSameBytes) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    const Variant variant = GetParam();
    Scratch scratch;
    const auto archive = scratch.file("out.zip");
    const std::string memoryEntry = textData(40000, 7);
    writeArchive(scratch, archive, variant, memoryEntry);
    std::map<std::string, std::string> expected = sampleFiles();
    expected["memory/bytes.dat"] = memoryEntry;
    const bool encrypted = variant.encryption != CZipCryptograph::encNone;

    if (!isAes(variant.encryption)) {
        expectPeerAccepts({"unzip", "-tq", "-P", encrypted ? kWrittenKey : "", archive.string()}, scratch.dir());
        EXPECT_EQ(expected, pythonContents(archive, encrypted ? kWrittenKey : ""));
    }
    expectPeerAccepts({"7z", "t", std::string("-p") + (encrypted ? kWrittenKey : ""), archive.string()}, scratch.dir());
    expectPeerAccepts({"7z", "x", "-y", std::string("-p") + (encrypted ? kWrittenKey : ""), "-o" + scratch.file("7z").string(),
                       archive.string()},
                      scratch.dir());
    EXPECT_EQ(expected, scratch.files(scratch.file("7z")));
    EXPECT_TRUE(std::filesystem::is_directory(scratch.file("7z/folder")));

    std::map<std::string, std::string> ours;
    for (const auto& [name, content] : ourContents(archive, encrypted ? kWrittenKey : "")) {
        std::string slashed = name;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        ours[slashed] = content;
    }
    EXPECT_EQ(expected, ours);
}

INSTANTIATE_TEST_SUITE_P(
    MethodsAndEncryption, WrittenArchive,
    ::testing::Values(Variant{"Stored", 0, CZipCryptograph::encNone}, Variant{"Deflate", 8, CZipCryptograph::encNone},
                      Variant{"Bzip2", 12, CZipCryptograph::encNone},
                      Variant{"StoredTraditional", 0, CZipCryptograph::encStandard},
                      Variant{"DeflateTraditional", 8, CZipCryptograph::encStandard},
                      Variant{"Bzip2Traditional", 12, CZipCryptograph::encStandard},
                      Variant{"StoredAes128", 0, CZipCryptograph::encWinZipAes128},
                      Variant{"DeflateAes128", 8, CZipCryptograph::encWinZipAes128},
                      Variant{"DeflateAes192", 8, CZipCryptograph::encWinZipAes192},
                      Variant{"DeflateAes256", 8, CZipCryptograph::encWinZipAes256},
                      Variant{"Bzip2Aes256", 12, CZipCryptograph::encWinZipAes256}),
    [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

// The smart flags' rules, seen in the archive: small files are stored,
// empty files and folders carry no encryption, level 0 stores, and data
// that deflate would enlarge are stored under the efficiency check.
TEST(WrittenArchiveRules, SmartFlagsAndLevels) {
    Scratch scratch;
    const auto archive = scratch.file("rules.zip");
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipCreate));
    ASSERT_TRUE(zip.SetPassword(zipText(kWrittenKey).c_str()));
    CZipMemFile tiny, empty, text;
    tiny.Write("abc", 3);
    const std::string body = textData(10000);
    text.Write(body.data(), static_cast<std::uint32_t>(body.size()));
    ASSERT_TRUE(zip.AddNewFile(tiny, zipText("tiny.txt")));
    ASSERT_TRUE(zip.AddNewFile(empty, zipText("empty.txt")));
    ASSERT_TRUE(zip.AddNewFile(text, zipText("stored.txt"), 0));
    ASSERT_TRUE(zip.AddNewFile(text, zipText("deflated.txt")));
    ASSERT_TRUE(zip.AddNewFile(zipPath(scratch.dir()), zipText("a\\b"), -1));
    CZipMemFile noise;
    const std::string random = randomData(20000);
    noise.Write(random.data(), static_cast<std::uint32_t>(random.size()));
    ASSERT_TRUE(zip.AddNewFile(noise, zipText("noise.bin"), -1, CZipAddRequest::smartDefault | CZipAddRequest::smartCheckEfficiency));

    const CZipFileHeader& small = *zip.GetFileInfo(0);
    EXPECT_EQ(0, small.m_uMethod);
    EXPECT_TRUE(small.IsEncrypted());
    EXPECT_EQ(3u + 12u, small.m_uComprSize);
    EXPECT_FALSE(zip.GetFileInfo(1)->IsEncrypted());
    EXPECT_EQ(0, zip.GetFileInfo(2)->m_uMethod);
    EXPECT_EQ(body.size() + 12u, zip.GetFileInfo(2)->m_uComprSize);
    EXPECT_EQ(8, zip.GetFileInfo(3)->m_uMethod);
    CZipFileHeader& folder = *zip.GetFileInfo(4);
    EXPECT_EQ("a\\b\\", utf8(folder.GetFileName(false)));
    EXPECT_EQ(0, folder.m_uMethod);
    EXPECT_FALSE(folder.IsEncrypted());
    // Random data grow when deflated: the efficiency check stores them.
    EXPECT_EQ(0, zip.GetFileInfo(5)->m_uMethod);
    EXPECT_EQ(random.size() + 12u, zip.GetFileInfo(5)->m_uComprSize);
    zip.Close();
    expectPeerAccepts({"unzip", "-tq", "-P", kWrittenKey, archive.string()}, scratch.dir());
}

// An unnamed entry takes "file" and the entry count.
// A name keeps the host's code page (852 for the MS-DOS host, UTF-8 for a
// Unix host). Stored in the OEM page, a name that is not ASCII also gets a
// Unicode path record, through which unzip and 7-Zip show the name itself
// (Python's zipfile ignores the record; its raw fields are checked here).
TEST(WrittenArchiveRules, CzechNamesReachThePeers) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    const std::string name = "čeština/žluťoučký kůň.txt";
    const std::string listing = name + "\nplain.txt\n";
    Scratch scratch;
    const std::vector<std::pair<int, std::string>> hosts{{CZipFileHeader::hostDos, "cp852|" + name},
                                                         {CZipFileHeader::hostUnix, "utf-8|-"}};
    for (const auto& [host, stored] : hosts) {
        SCOPED_TRACE(host);
        const auto archive = scratch.file("host" + std::to_string(host) + ".zip");
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipCreate));
        ASSERT_TRUE(zip.SetHostSystem(host));
        CZipMemFile data;
        data.Write("x", 1);
        ASSERT_TRUE(zip.AddNewFile(data, zipText("čeština\\žluťoučký kůň.txt")));
        ASSERT_TRUE(zip.AddNewFile(data, zipText("plain.txt")));
        zip.Close();

        testkit::RunOptions utf8Locale;
        utf8Locale.env = {{"LC_ALL", "C.UTF-8"}};
        EXPECT_EQ(listing, testkit::run({"unzip", "-Z1", archive.string()}, utf8Locale).out);
        std::string sevenZip;
        std::istringstream lines(testkit::run({"7z", "l", "-ba", "-slt", archive.string()}, utf8Locale).out);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("Path = ", 0) == 0) sevenZip += line.substr(7) + "\n";
        EXPECT_EQ(listing, sevenZip);
        const testkit::RunResult raw = python(
            "import struct, sys, zipfile, zlib\n"
            "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
            "    raw, extra, unicode = i.filename.encode('cp437'), i.extra, '-'\n"
            "    while len(extra) >= 9:\n"
            "        kind, size, version, crc = struct.unpack('<HHBI', extra[:9])\n"
            "        if kind == 0x7075 and version == 1 and crc == zlib.crc32(raw): unicode = extra[9:4 + size].decode()\n"
            "        extra = extra[4 + size:]\n"
            "    pages = [p for p in ('cp852', 'utf-8') if raw.decode(p, 'replace') == sys.argv[2]] or ['?']\n"
            "    print(raw.decode() if raw.isascii() else pages[0], unicode, sep='|')\n",
            {archive.string(), name}, scratch.dir());
        expectSuccess(raw, "python");
        EXPECT_EQ(stored + "\nplain.txt|-\n", raw.out);

        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
        EXPECT_EQ(zipText("čeština\\žluťoučký kůň.txt"), zip.GetFileInfo(0)->GetFileName());
        zip.Close();
    }
}

TEST(WrittenArchiveRules, UnnamedEntryIsNamedByItsPlace) {
    Scratch scratch;
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(scratch.file("n.zip")), CZipBundle::zipCreate));
    CZipMemFile data;
    data.Write("x", 1);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(zip.AddNewFile(data, zipText("e" + std::to_string(i))));
    ASSERT_TRUE(zip.AddNewFile(data, {}));
    EXPECT_EQ("file4", utf8(zip.GetFileInfo(4)->GetFileName(false)));
    zip.Close();
}

// Entries keep the time and the read-only attribute of their files, and an
// extracted file gets them back; the archive can take its newest entry's time.
TEST(WrittenArchiveRules, TimesAndAttributesRoundTrip) {
    Scratch scratch;
    const auto old = scratch.write("src/old.txt", "from 2001");
    const auto fixed = scratch.write("src/readonly.txt", "do not touch");
    const auto stamp = [](int year) {
        std::tm fields{};
        fields.tm_year = year - 1900;
        fields.tm_mon = 5;
        fields.tm_mday = 15;
        fields.tm_hour = 10;
        fields.tm_isdst = -1;
        return std::filesystem::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&fields)));
    };
    std::filesystem::last_write_time(old, stamp(2001));
    std::filesystem::last_write_time(fixed, stamp(2011));
    std::filesystem::permissions(fixed, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    const auto archive = scratch.file("t.zip");
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipCreate));
    ASSERT_TRUE(zip.AddNewFile(zipPath(old), zipText("old.txt")));
    ASSERT_TRUE(zip.AddNewFile(zipPath(fixed), zipText("readonly.txt")));
    zip.Close(CZipBundle::closeNormal, true);
    EXPECT_EQ(stamp(2011), std::filesystem::last_write_time(archive));

    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    EXPECT_TRUE(zip.GetFileInfo(1)->GetLocalAttributes() & 0x01);
    EXPECT_TRUE(zip.ExtractFile(0, zipPath(scratch.file("out")), false));
    EXPECT_TRUE(zip.ExtractFile(1, zipPath(scratch.file("out")), false));
    zip.Close();
    EXPECT_EQ(stamp(2001), std::filesystem::last_write_time(scratch.file("out/old.txt")));
    const auto perms = std::filesystem::status(scratch.file("out/readonly.txt")).permissions();
    EXPECT_EQ(std::filesystem::perms::none, perms & std::filesystem::perms::owner_write);
    EXPECT_EQ("do not touch", testkit::readFile(scratch.file("out/readonly.txt")));
}

// Entry headers as written: local and central layouts, ZIP64 and AES
// records, data descriptors, level hints, names, times and attributes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "memory_archive.h"
#include "support.h"
#include "zip/zip_exception.h"

using namespace ziptest;

namespace {

constexpr std::uint64_t kBig = 5ull << 30;

CZipFileHeader storedHeader(const std::string& name) {
    CZipFileHeader header;
    header.m_uMethod = 0;
    header.SetFileName(zipText(name));
    header.m_uModTime = 0x6000;
    header.m_uModDate = 0x5821;
    header.SetLocalAttributes(0x20);
    return header;
}

// The header read back from the central header at the start of bytes.
CZipFileHeader readCentral(const std::string& bytes) {
    std::string copy = bytes;
    CZipMemFile file;
    file.UseBuffer(copy.data(), static_cast<std::uint32_t>(copy.size()));
    CZipStorage storage;
    storage.Open(file, CZipStorage::zipOpenReadOnly);
    CZipFileHeader header;
    EXPECT_TRUE(header.ReadCentralHeader(storage, true));
    return header;
}

class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (m_old.empty()) unsetenv("TZ"); else setenv("TZ", m_old.c_str(), 1);
        tzset();
    }

private:
    std::string m_old;
};

}  // namespace

TEST(HeaderWriting, LocalAndCentralHeadersHaveTheirPublishedLayout) {
    MemoryArchive archive;
    CZipFileHeader header = storedHeader("dir\\a.txt");
    header.m_uLocalComprSize = header.m_uLocalUncomprSize = 3;
    header.PrepareForAdding(0, false);
    header.m_uCrc32 = 0x11223344;
    header.m_uComprSize = header.m_uUncomprSize = header.m_uLocalComprSize = header.m_uLocalUncomprSize = 3;
    header.WriteLocalHeader(archive.m_storage);
    const std::string local = "PK\x03\x04" + le16(20) + le16(0) + le16(0) + le16(0x6000) + le16(0x5821) +
                              le32(0x11223344) + le32(3) + le32(3) + le16(9) + le16(0) + "dir/a.txt";
    EXPECT_EQ(local, archive.bytes());
    EXPECT_EQ(0u, header.m_uOffset);
    EXPECT_EQ(39u, header.m_uLocalHeaderSize);

    const std::size_t written = header.WriteCentralHeader(archive.m_storage);
    const std::string central = "PK\x01\x02" + le16(46) + le16(20) + le16(0) + le16(0) + le16(0x6000) + le16(0x5821) +
                                le32(0x11223344) + le32(3) + le32(3) + le16(9) + le16(0) + le16(0) + le16(0) + le16(0) +
                                le32(0x20 | (0100664u << 16)) + le32(0) + "dir/a.txt";
    EXPECT_EQ(central.size(), written);
    EXPECT_EQ(central, archive.bytes().substr(local.size()));
    EXPECT_EQ(written, header.CentralHeaderSize());
}

TEST(HeaderWriting, Zip64RecordsHoldOnlyWhatOverflows) {
    MemoryArchive archive;
    CZipFileHeader header = storedHeader("big");
    header.m_uLocalComprSize = header.m_uLocalUncomprSize = kBig;
    header.PrepareForAdding(0, false);
    ASSERT_NE(nullptr, header.m_aLocalExtraData.FindRecord(0x0001));
    EXPECT_EQ(16u, header.m_aLocalExtraData.FindRecord(0x0001)->m_data.GetSize());
    EXPECT_EQ(45, header.m_uVersionNeeded);

    header.m_uUncomprSize = kBig;
    header.m_uComprSize = 100;
    header.m_uOffset = kBig + 1;
    const std::uint32_t expected = header.CentralHeaderSize();
    EXPECT_EQ(expected, header.WriteCentralHeader(archive.m_storage));
    const std::string bytes = archive.bytes();
    EXPECT_EQ(le32(100) + le32(0xFFFFFFFF), bytes.substr(20, 8));
    EXPECT_EQ(le32(0xFFFFFFFF), bytes.substr(42, 4));
    EXPECT_EQ(extraRecord(0x0001, le64(kBig) + le64(kBig + 1)), bytes.substr(46 + 3, 20));

    const CZipFileHeader back = readCentral(bytes);
    EXPECT_EQ(kBig, back.m_uUncomprSize);
    EXPECT_EQ(100u, back.m_uComprSize);
    EXPECT_EQ(kBig + 1, back.m_uOffset);
    EXPECT_EQ(0u, back.m_aCentralExtraData.GetCount());
}

TEST(HeaderWriting, DataDescriptorsAndSizesOfExactlyAllOnes) {
    MemoryArchive archive;
    CZipFileHeader header = storedHeader("d");
    header.PrepareForAdding(0, true);  // a segmented archive: sizes follow the data
    EXPECT_TRUE(header.m_uFlag & CZipFileHeader::flagDataDescriptor);
    header.m_uCrc32 = 7;
    header.m_uComprSize = header.m_uUncomprSize = 5;
    EXPECT_EQ(12u, header.DescriptorSize(false));
    EXPECT_EQ(16u, header.DescriptorSize(true));
    header.WriteDescriptor(archive.m_storage);
    EXPECT_EQ(le32(7) + le32(5) + le32(5), archive.bytes());

    header.m_uComprSize = 0xFFFFFFFF;
    EXPECT_TRUE(header.NeedsZip64());
    EXPECT_EQ(20u, header.DescriptorSize(false));
    header.WriteDescriptor(archive.m_storage);
    EXPECT_EQ(le32(7) + le64(0xFFFFFFFF) + le64(5), archive.bytes().substr(12));
}

TEST(HeaderWriting, AesEntriesCarryTheirRecordAndMethod99) {
    MemoryArchive archive;
    CZipFileHeader header = storedHeader("s");
    header.m_uMethod = 8;
    header.m_uEncryptionMethod = CZipFileHeader::encAes256;
    header.m_bIgnoreCrc32 = true;
    header.PrepareForAdding(-1, false);
    EXPECT_EQ(28u, header.m_uLocalComprSize);  // salt 16 + verifier 2 + code 10
    header.m_uCrc32 = 0xABCDEF01;
    header.WriteLocalHeader(archive.m_storage);
    header.WriteCentralHeader(archive.m_storage);
    const std::string bytes = archive.bytes();
    const std::string record("\x01\x99\x07\x00\x02\x00" "AE\x03\x08\x00", 11);
    EXPECT_EQ(le16(99), bytes.substr(8, 2));
    EXPECT_EQ(le32(0), bytes.substr(14, 4));
    EXPECT_EQ(record, bytes.substr(30 + 1, 11));
    const std::size_t central = bytes.find("PK\x01\x02");
    EXPECT_EQ(le16(99), bytes.substr(central + 10, 2));
    EXPECT_EQ(le32(0), bytes.substr(central + 16, 4));
    EXPECT_EQ(record, bytes.substr(central + 46 + 1, 11));

    const CZipFileHeader back = readCentral(bytes.substr(central));
    EXPECT_EQ(CZipFileHeader::encAes256, back.m_uEncryptionMethod);
    EXPECT_EQ(8, back.m_uMethod);
    EXPECT_TRUE(back.m_bIgnoreCrc32);
}

TEST(HeaderWriting, DeflateLevelHints) {
    for (auto [level, bits, readBack] : {std::tuple{9, 0x2, 9}, {1, 0x6, 1}, {2, 0x4, 2}, {5, 0x0, -1}}) {
        CZipFileHeader header;
        header.PrepareForAdding(level, false);
        EXPECT_EQ(bits, header.m_uFlag & CZipFileHeader::flagLevelMask) << level;
        EXPECT_EQ(readBack, header.LevelFromFlags()) << level;
    }
    CZipFileHeader stored = storedHeader("x");
    EXPECT_EQ(0, stored.LevelFromFlags());
}

TEST(HeaderWriting, NamesGoOutWithSlashesInTheirCodePage) {
    MemoryArchive archive;
    CZipFileHeader dos = storedHeader("sub\\ü.txt");
    dos.PrepareForAdding(0, false);
    dos.WriteLocalHeader(archive.m_storage);
    EXPECT_EQ("sub/\x81.txt", archive.bytes().substr(30));  // code page 852 for MS-DOS hosts
    CZipFileHeader text;
    text.SetFileName(zipText("abcde"));
    EXPECT_EQ(5u, text.GetFileNameSize());
    CZipFileHeader folder;
    folder.SetFileName(zipText("folder/"));
    EXPECT_EQ(0x10u, folder.GetLocalAttributes());
}

TEST(HeaderWriting, DosTimesAreLocalAndClampedToTheirRange) {
    TimeZone prague("Europe/Prague");
    CZipFileHeader header;
    for (std::int64_t t : {1700000000LL, 1720000001LL}) {  // winter and summer time
        header.SetModificationTime(t);
        EXPECT_EQ(t - t % 2, header.GetModificationTime());
    }
    std::tm y1979{};
    y1979.tm_year = 79, y1979.tm_mon = 5, y1979.tm_mday = 15, y1979.tm_hour = 12, y1979.tm_isdst = -1;
    header.SetModificationTime(std::mktime(&y1979));
    EXPECT_EQ((0 << 9) | (6 << 5) | 15, header.m_uModDate);  // year field 0 keeps month and day
    std::tm y2150{};
    y2150.tm_year = 250, y2150.tm_mon = 2, y2150.tm_mday = 1, y2150.tm_isdst = -1;
    header.SetModificationTime(std::mktime(&y2150));
    EXPECT_EQ((127 << 9) | (12 << 5) | 31, header.m_uModDate);
    EXPECT_EQ((23 << 11) | (59 << 5) | 29, header.m_uModTime);
}

TEST(HeaderWriting, AttributesBetweenHostSystems) {
    CZipFileHeader unix;
    unix.SetSystemCompatibility(CZipFileHeader::hostUnix);
    unix.m_uExternalAttr = 0100644u << 16;
    EXPECT_EQ(0x20u, unix.GetLocalAttributes());
    unix.m_uExternalAttr = 040755u << 16;
    EXPECT_EQ(0x10u, unix.GetLocalAttributes());
    unix.m_uExternalAttr = 0100444u << 16;
    EXPECT_EQ(0x21u, unix.GetLocalAttributes());
    ASSERT_TRUE(unix.SetLocalAttributes(0x10));
    EXPECT_EQ((040775u << 16) | 0x10, unix.m_uExternalAttr);

    CZipFileHeader dos;
    ASSERT_TRUE(dos.SetLocalAttributes(0x21));
    EXPECT_EQ(0x21u | (0100444u << 16), dos.m_uExternalAttr);
    dos.ChangeHostSystem(CZipFileHeader::hostUnix);
    EXPECT_EQ(0x21u, dos.GetLocalAttributes());

    CZipFileHeader amiga;
    amiga.SetSystemCompatibility(1);
    try {
        amiga.SetLocalAttributes(0x20);
        FAIL() << "no converter expected";
    } catch (const CZipException& e) {
        EXPECT_EQ(119, e.GetCode());
    }
}

TEST(HeaderWriting, LocalSizesAreRewrittenOnceTheDataAreKnown) {
    MemoryArchive archive;
    CZipFileHeader header = storedHeader("late");
    header.m_uMethod = 8;
    header.PrepareForAdding(-1, false);
    header.WriteLocalHeader(archive.m_storage);
    archive.m_storage.Write("data", 4, false);
    header.m_uCrc32 = 0x01020304;
    header.m_uComprSize = 4;
    header.m_uUncomprSize = 9;
    header.RewriteLocalSizes(archive.m_storage);
    EXPECT_EQ(le32(0x01020304) + le32(4) + le32(9), archive.bytes().substr(14, 12));

    // Sizes that outgrow 32 bits switch the entry to a data descriptor.
    header.m_uComprSize = kBig;
    header.RewriteLocalSizes(archive.m_storage);
    const std::string bytes = archive.bytes();
    EXPECT_EQ(le16(45) + le16(CZipFileHeader::flagDataDescriptor), bytes.substr(4, 4));
    EXPECT_EQ(le32(0x01020304) + le32(0) + le32(0), bytes.substr(14, 12));
    EXPECT_EQ(38u, bytes.size());
}

TEST(HeaderWriting, ExtraRecordListsCopyDeeply) {
    CZipExtraRecordList list;
    std::size_t index = 9;
    list.AppendRecord(0x1111, index);
    EXPECT_EQ(0u, index);
    list.AppendRecord(0x2222)->m_data.Resize(3, true);
    list.AppendRecord(0x3333);
    CZipExtraRecordList copy(list);
    ASSERT_EQ(3u, copy.GetCount());
    copy.GetAt(1)->m_data.GetBuffer()[0] = 'x';
    EXPECT_EQ('\0', list.GetAt(1)->m_data.GetBuffer()[0]);
    EXPECT_EQ(0x3333, copy.GetAt(2)->GetHeaderID());
    EXPECT_EQ(4u + 7u + 4u, copy.TotalSize());
    EXPECT_FALSE(copy.Parse("\x01\x00\x05\x00" "abc", 7));
}

// Damaged and hostile archives fail with the library's codes: made by hand
// here, and the inputs kept in data/hostile. An archive that cannot be
// opened leaves the archive object closed.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "support.h"
#include "testkit/platform_root.h"
#include "zip/zip_bundle.h"

using namespace ziptest;

namespace {

std::string twoEntries() { return buildArchive({{.name = "a.txt", .data = "alpha"}, {.name = "b.txt", .data = "beta"}}); }

std::size_t endRecord(const std::string& bytes) { return bytes.rfind("PK\x05\x06"); }
std::size_t centralHeader(const std::string& bytes, int n) {
    std::size_t at = bytes.find("PK\x01\x02");
    while (n-- > 0) at = bytes.find("PK\x01\x02", at + 4);
    return at;
}

std::string patched(std::string bytes, std::size_t at, const std::string& with) {
    bytes.replace(at, with.size(), with);
    return bytes;
}

// An archive whose end record asks for ZIP64 records, with the locator and
// ZIP64 end record made from the given fields.
std::string withZip64End(const std::string& zip64Signature, std::uint64_t entries, std::uint64_t locatorOffset = 0) {
    std::string bytes = twoEntries();
    const std::size_t end = endRecord(bytes);
    const std::string plain = bytes.substr(end);
    bytes.resize(end);
    const std::uint64_t directory = centralHeader(bytes, 0);
    const std::uint64_t record = bytes.size();
    bytes += zip64Signature + le64(44) + le16(45) + le16(45) + le32(0) + le32(0) + le64(entries) + le64(entries) +
             le64(record - directory) + le64(directory);
    bytes += "PK\x06\x07" + le32(0) + le64(locatorOffset ? locatorOffset : record) + le32(1);
    return bytes + patched(plain, 8, le16(0xFFFF) + le16(0xFFFF));
}

// What a kept input is refused with: the code of its directory (read
// exhaustively, every local header checked), else that of the first entry
// that does not extract into memory; 0 when every entry extracts.
int refusal(const std::filesystem::path& path) {
    if (const int code = openFails(path)) return code;
    CZipBundle zip;
    int code = 0;
    try {
        zip.Open(zipPath(path), CZipBundle::zipOpenReadOnly);
        zip.SetPassword(ZIPTEXT("fuzz"));
        for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount() && code == 0; ++i) {
            CZipMemFile target;
            if (!zip.GetFileInfo(i)->IsDirectory() && !zip.ExtractFile(i, target)) code = -1;
        }
    } catch (const CZipException& e) {
        code = e.GetCode();
    }
    zip.Close(CZipBundle::closeAfterException);
    return code;
}

}  // namespace

TEST(Hostile, DamagedArchivesFailWithTheLibrarysCodes) {
    const std::string good = twoEntries();
    const std::size_t end = endRecord(good);
    const std::size_t second = centralHeader(good, 1);
    // A 4-byte ZIP64 record where the 8-byte uncompressed size is due.
    const std::string shortZip64 = [] {
        const std::string bytes = buildArchive({{.name = "big", .data = "x", .centralExtra = extraRecord(0x0001, le32(5))}});
        return patched(bytes, centralHeader(bytes, 0) + 24, le32(0xFFFFFFFF));
    }();
    struct Case {
        const char* what;
        std::string bytes;
        int code;
    };
    const Case cases[] = {
        {"empty file", "", 120},
        {"no end record", good.substr(0, end), 120},
        {"end record cut short", good.substr(0, end + 10), 101},
        {"directory beyond the file", patched(good, end + 16, le32(0x7FFFFFF0)), 101},
        {"directory larger than the file", patched(good, end + 12, le32(0x7FFFFFF0)), 101},
        {"a memory archive that claims volumes", patched(good, end + 4, le16(1) + le16(1)), 101},
        {"a count above the headers there", patched(good, end + 8, le16(3) + le16(3)), 101},
        {"size 0 with entries", patched(good, end + 12, le32(0)), 101},
        {"more entries than the directory holds", patched(good, end + 8, le16(900) + le16(900)), 101},
        {"name running past the end", patched(good, second + 28, le16(0xFFF0)), 101},
        {"extra field past its length", patched(good, second + 30, le16(3)), 101},
        {"two entries at one offset", patched(good, second + 42, le32(0)), 101},
        {"overlapping entries", patched(good, centralHeader(good, 0) + 20, le32(40)), 101},
        {"entry beyond the file", patched(good, second + 42, le32(0x7FFFFFFF)), 101},
        {"local header that disagrees", patched(good, 8, le16(8)), 101},
        {"wrong central signature", patched(good, second, "PK\x01\x03"), 101},
        {"ZIP64 record shorter than its fields", shortZip64, 101},
        {"ZIP64 end record with a wrong signature", withZip64End("PK\x06\x05", 2), 121},
        {"ZIP64 count beyond any directory", withZip64End("PK\x06\x06", std::uint64_t{1} << 62), 101},
        {"ZIP64 locator beyond the file", withZip64End("PK\x06\x06", 2, std::uint64_t{1} << 40), 101},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, openFails(c.bytes)) << c.what;
}

TEST(Hostile, KeptInputsAreRefused) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZIP_TEST_DATA "/hostile")) {
        if (entry.path().extension() != ".zip") continue;
        ++files;
        const int code = refusal(entry.path());
        EXPECT_TRUE(code >= 100 && code <= 126) << entry.path().filename() << " gave " << code;
    }
    EXPECT_GT(files, 0) << "the kept inputs are missing";
}

// Each failed Open (a missing file or folder, a folder, a damaged archive on
// disk or in memory, a new archive where it cannot be made) throws and
// leaves the object closed; the next Open of a good archive works.
TEST(Hostile, AFailedOpenLeavesTheArchiveClosed) {
    const testkit::PlatformRoot root;
    const auto good = root.write("good.zip", twoEntries());
    const auto damaged = root.write("damaged.zip", twoEntries().substr(0, 40));
    std::string damagedBytes = testkit::readFile(damaged);
    CZipMemFile damagedMemory;
    damagedMemory.UseBuffer(damagedBytes.data(), static_cast<std::uint32_t>(damagedBytes.size()));
    struct Case {
        const char* what;
        std::function<void(CZipBundle&)> open;
        int code;
    };
    const auto openPath = [](const std::filesystem::path& path, int mode = CZipBundle::zipOpenReadOnly) {
        return [=](CZipBundle& zip) { zip.Open(zipPath(path), mode); };
    };
    const Case cases[] = {
        {"missing file", openPath(root.path() / "missing.zip"), ENOENT},
        {"missing folder", openPath(root.path() / "no/such/a.zip"), ENOENT},
        {"a folder", openPath(root.path()), EISDIR},
        {"damaged archive", openPath(damaged), CZipException::noEndRecord},
        {"damaged archive in memory", [&](CZipBundle& zip) { zip.Open(damagedMemory, CZipBundle::zipOpenReadOnly); },
         CZipException::noEndRecord},
        {"new archive in a missing folder", openPath(root.path() / "no/such/new.zip", CZipBundle::zipCreate),
         kZipWrites ? ENOENT : CZipException::generic},
    };
    CZipBundle zip;
    for (const Case& c : cases) {
        int code = 0;
        try {
            c.open(zip);
        } catch (const CZipException& e) {
            code = e.GetCode();
        }
        EXPECT_EQ(c.code, code) << c.what;
        EXPECT_TRUE(zip.IsClosed()) << c.what;
        ASSERT_TRUE(zip.Open(zipPath(good), CZipBundle::zipOpenReadOnly)) << c.what;
        EXPECT_EQ(2u, zip.GetCount()) << c.what;
        zip.Close();
    }
}

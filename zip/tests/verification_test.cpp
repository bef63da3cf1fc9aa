// Wrong passwords, CRC mismatches and failed AES authentication give the
// library's codes, and leave nothing unverified behind: a memory target is
// cut back to what it held, a disk target is not written at all.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

constexpr const char* kRightPassword = "spravne";
const std::string kContent = textData(30000, 11);

// One entry "doc.txt" stored (so that a changed byte reaches the checks
// unchanged by a decompressor), with the given encryption.
std::string archiveWith(const Scratch& scratch, int encryption) {
    const auto path = scratch.file("one.zip");
    CZipBundle zip;
    zip.SetCompressionMethod(0);
    zip.SetEncryptionMethod(encryption);
    zip.Open(zipPath(path), CZipBundle::zipCreate);
    if (encryption != CZipCryptograph::encNone) zip.SetPassword(zipText(kRightPassword).c_str());
    CZipMemFile source;
    source.Write(kContent.data(), static_cast<std::uint32_t>(kContent.size()));
    EXPECT_TRUE(zip.AddNewFile(source, zipText("doc.txt")));
    zip.Close();
    return testkit::readFile(path);
}

// The first byte of the first entry's data (after any encryption header).
std::size_t firstDataByte(const std::string& archive, std::size_t encryptionHeader) {
    const auto field = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(archive[at]) | static_cast<unsigned char>(archive[at + 1]) << 8);
    };
    return 30 + field(26) + field(28) + encryptionHeader;
}

std::filesystem::path changedAt(const Scratch& scratch, std::string archive, std::size_t at) {
    archive[at] = static_cast<char>(archive[at] ^ 0x5A);
    return scratch.write("changed.zip", archive);
}

struct Outcome {
    int code = 0;
    std::string memoryAfter;               // a memory file that held "kept" before
    std::map<std::string, std::string> folderAfter;  // a folder that held old/doc.txt before
};

Outcome extractEverywhere(const Scratch& scratch, const std::filesystem::path& archive, const char* password) {
    Outcome outcome;
    CZipBundle zip;
    zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
    if (password) zip.SetPassword(zipText(password).c_str());
    CZipMemFile memory;
    memory.Write("kept", 4);
    outcome.code = zipErrorOf([&] { zip.ExtractFile(0, memory, true); });
    outcome.memoryAfter = memoryBytes(memory);
    scratch.write("target/doc.txt", "old");
    const int diskCode = zipErrorOf([&] { zip.ExtractFile(0, zipPath(scratch.file("target")), false); });
    EXPECT_EQ(outcome.code, diskCode);
    outcome.folderAfter = scratch.files(scratch.file("target"));
    zip.Close();
    return outcome;
}

void expectNothingLeft(const Outcome& outcome) {
    EXPECT_EQ("kept", outcome.memoryAfter);
    EXPECT_EQ((std::map<std::string, std::string>{{"doc.txt", "old"}}), outcome.folderAfter);
}

}  // namespace

TEST(Verification, MissingOrWrongPasswordIsRefused) {
    for (const int encryption : {int{CZipCryptograph::encStandard}, int{CZipCryptograph::encWinZipAes256}}) {
        SCOPED_TRACE(encryption);
        Scratch scratch;
        archiveWith(scratch, encryption);
        const Outcome none = extractEverywhere(scratch, scratch.file("one.zip"), nullptr);
        EXPECT_EQ(CZipException::badPassword, none.code);
        expectNothingLeft(none);
        const Outcome wrong = extractEverywhere(scratch, scratch.file("one.zip"), "spatne");
        // A wrong password passes the one-byte (two-byte for AES) check only
        // by chance; the data checks then refuse it.
        EXPECT_TRUE(wrong.code == CZipException::badPassword || wrong.code == CZipException::badCrc ||
                    wrong.code == CZipException::badAuthCode)
            << wrong.code;
        expectNothingLeft(wrong);
        const Outcome right = extractEverywhere(scratch, scratch.file("one.zip"), kRightPassword);
        EXPECT_EQ(0, right.code);
        EXPECT_EQ("kept" + kContent, right.memoryAfter);
        EXPECT_EQ(kContent, right.folderAfter.at("doc.txt"));
    }
}

TEST(Verification, ChangedDataFailTheCrc) {
    for (const int encryption : {int{CZipCryptograph::encNone}, int{CZipCryptograph::encStandard}}) {
        SCOPED_TRACE(encryption);
        Scratch scratch;
        const std::string archive = archiveWith(scratch, encryption);
        const std::size_t at = firstDataByte(archive, encryption == CZipCryptograph::encNone ? 0 : 12) + 1000;
        const Outcome outcome = extractEverywhere(scratch, changedAt(scratch, archive, at), kRightPassword);
        EXPECT_EQ(CZipException::badCrc, outcome.code);
        expectNothingLeft(outcome);
        EXPECT_EQ(1u, std::distance(std::filesystem::directory_iterator(scratch.file("target")),
                                    std::filesystem::directory_iterator()))
            << "a temporary file was left behind";
    }
}

TEST(Verification, ChangedAesDataOrCodeFailTheAuthentication) {
    Scratch scratch;
    const std::string archive = archiveWith(scratch, CZipCryptograph::encWinZipAes128);
    const std::size_t data = firstDataByte(archive, 8 + 2);
    const std::size_t code = data + kContent.size();
    for (const std::size_t at : {data, data + 20000, code + 3}) {
        SCOPED_TRACE(at);
        const Outcome outcome = extractEverywhere(scratch, changedAt(scratch, archive, at), kRightPassword);
        EXPECT_EQ(CZipException::badAuthCode, outcome.code);
        expectNothingLeft(outcome);
    }
}

TEST(Verification, ChangedDeflateDataAreRefused) {
    Scratch scratch;
    const auto path = scratch.file("deflated.zip");
    {
        CZipBundle zip;
        zip.Open(zipPath(path), CZipBundle::zipCreate);
        CZipMemFile source;
        source.Write(kContent.data(), static_cast<std::uint32_t>(kContent.size()));
        zip.AddNewFile(source, zipText("doc.txt"));
        zip.Close();
    }
    const std::string archive = testkit::readFile(path);
    const Outcome outcome = extractEverywhere(scratch, changedAt(scratch, archive, firstDataByte(archive, 0) + 500), nullptr);
    EXPECT_TRUE(outcome.code == CZipException::badArchive || outcome.code == CZipException::badCrc || outcome.code == 504)
        << outcome.code;
    expectNothingLeft(outcome);
}

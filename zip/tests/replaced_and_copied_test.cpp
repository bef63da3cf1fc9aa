// Entries replaced in place and entries copied between archives (raw, or
// encrypted on the way) give archives the peers accept, with the bytes
// expected at the indexes expected.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include "platform/paths.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

constexpr const char* kCopyKey = "kopie";

bool addOrReplace(CZipBundle& zip, const std::string& bytes, const std::string& name,
              ZIP_INDEX_TYPE replace = ZIP_FILE_INDEX_NOT_FOUND, int smart = CZipAddRequest::smartDefault) {
    CZipMemFile memory;
    memory.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CZipAddRequest request(memory, zipText(name));
    request.m_uReplaceIndex = replace;
    request.m_iSmartLevel = smart;
    return zip.AddNewFile(request);
}

std::vector<std::string> namesInOrder(const std::filesystem::path& archive) {
    CZipBundle zip;
    zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
    std::vector<std::string> names;
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) names.push_back(utf8(zip.GetFileInfo(i)->GetFileName(false)));
    zip.Close();
    return names;
}

void expectPeersAccept(const Scratch& scratch, const std::filesystem::path& archive, const std::string& password,
                       bool unzipToo) {
    if (unzipToo) expectPeerAccepts({"unzip", "-tq", "-P", password, archive.string()}, scratch.dir());
    expectPeerAccepts({"7z", "t", "-p" + password, archive.string()}, scratch.dir());
}

// A source that fails after its first block, as a disk going away would.
class FailingSource : public CZipMemFile {
public:
    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        if (GetPosition() > 0) CZipException::Throw(CZipException::generic);
        return CZipMemFile::Read(buffer, count);
    }
};

}  // namespace

TEST(ReplacedEntries, KeepTheirPlacesAndPassThePeers) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    Scratch scratch;
    const auto archive = scratch.file("r.zip");
    {
        CZipBundle zip;
        zip.Open(zipPath(archive), CZipBundle::zipCreate);
        ASSERT_TRUE(addOrReplace(zip, textData(20000, 1), "first.txt"));
        ASSERT_TRUE(addOrReplace(zip, randomData(5000, 2), "second.bin"));
        ASSERT_TRUE(addOrReplace(zip, textData(9000, 3), "third.txt"));
        ASSERT_TRUE(addOrReplace(zip, textData(100, 4), "last.txt"));
        zip.Close();
    }
    const std::string bigger = randomData(70000, 5);
    const std::string smaller = "tiny now";
    const std::string last = textData(3000, 6);
    {
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpen));
        // Through a temporary archive in memory, which stores what deflate enlarges.
        ASSERT_TRUE(addOrReplace(zip, bigger, "second.bin", 1,
                             CZipAddRequest::smartCheckEfficiency | CZipAddRequest::smartMemoryTemporary));
        EXPECT_EQ(0, zip.GetFileInfo(1)->m_uMethod);
        ASSERT_TRUE(addOrReplace(zip, smaller, "first.txt", 0));
        ASSERT_TRUE(addOrReplace(zip, last, "last.txt", 3));
        EXPECT_FALSE(addOrReplace(zip, "x", "none", 9));
        zip.Close();
    }
    EXPECT_EQ((std::vector<std::string>{"first.txt", "second.bin", "third.txt", "last.txt"}), namesInOrder(archive));
    EXPECT_TRUE(std::filesystem::is_empty(platform::paths::tempFolder())) << "a temporary archive was left behind";
    const std::map<std::string, std::string> expected{
        {"first.txt", smaller}, {"second.bin", bigger}, {"third.txt", textData(9000, 3)}, {"last.txt", last}};
    EXPECT_EQ(expected, pythonContents(archive));
    EXPECT_EQ(expected, ourContents(archive));
    expectPeersAccept(scratch, archive, "", true);
}

// A replacement is written whole before the entry it replaces is given up.
TEST(ReplacedEntries, AFailedReplacementKeepsTheOldEntry) {
    Scratch scratch;
    const auto archive = scratch.file("r.zip");
    const std::string old = textData(200000, 7);
    {
        CZipBundle zip;
        zip.Open(zipPath(archive), CZipBundle::zipCreate);
        ASSERT_TRUE(addOrReplace(zip, old, "doc.txt"));
        ASSERT_TRUE(addOrReplace(zip, "next", "next.txt"));
        zip.Close();
    }
    for (const ZIP_INDEX_TYPE index : {ZIP_INDEX_TYPE{0}, ZIP_INDEX_TYPE{1}}) {
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpen));
        FailingSource source;
        const std::string replacement = randomData(300000, 8);
        source.Write(replacement.data(), static_cast<std::uint32_t>(replacement.size()));
        CZipAddRequest request(source, zipText("doc.txt"));
        request.m_uReplaceIndex = index;
        request.m_nBufSize = 4096;
        EXPECT_EQ(CZipException::generic, zipErrorOf([&] { zip.AddNewFile(request); }));
        zip.Close(CZipBundle::closeAfterError);
        EXPECT_EQ((std::map<std::string, std::string>{{"doc.txt", old}, {"next.txt", "next"}}), pythonContents(archive));
    }
}

// Raw copies keep every kind of entry as it is; plain entries copied into an
// archive with a password are encrypted on the way.
TEST(CopiedEntries, RawAndEncryptedOnTheWay) {
    TESTKIT_REQUIRE_PROGRAM("7z");
    Scratch scratch;
    const std::string text = textData(60000, 9);
    const std::string data = randomData(30000, 10);
    struct Source {
        std::string name;
        std::uint16_t method;
        int encryption;
    };
    const std::vector<Source> sources{{"plain-deflate", 8, CZipCryptograph::encNone},
                                      {"plain-bzip2", 12, CZipCryptograph::encNone},
                                      {"traditional", 8, CZipCryptograph::encStandard},
                                      {"aes", 8, CZipCryptograph::encWinZipAes256}};
    for (const Source& s : sources) {
        CZipBundle zip;
        zip.SetCompressionMethod(s.method);
        zip.SetEncryptionMethod(s.encryption);
        zip.Open(zipPath(scratch.file(s.name + ".zip")), CZipBundle::zipCreate);
        if (s.encryption != CZipCryptograph::encNone) zip.SetPassword(zipText(kCopyKey).c_str());
        ASSERT_TRUE(addOrReplace(zip, text, s.name + "/text.txt"));
        ASSERT_TRUE(addOrReplace(zip, data, s.name + "/data.bin"));
        ASSERT_TRUE(addOrReplace(zip, "ab", s.name + "/small.txt"));
        zip.Close();
    }
    // 7-Zip's AES entries keep no CRC (AE-2); its traditional ones check the CRC's byte.
    scratch.write("seven/text.txt", text);
    expectPeerAccepts({"7z", "a", "-tzip", "-mem=AES128", std::string("-p") + kCopyKey, "seven-aes.zip", "seven"}, scratch.dir());
    expectPeerAccepts({"7z", "a", "-tzip", "-mem=ZipCrypto", std::string("-p") + kCopyKey, "seven-zc.zip", "seven"},
                      scratch.dir());

    for (const int targetEncryption : {int{CZipCryptograph::encNone}, int{CZipCryptograph::encStandard},
                                       int{CZipCryptograph::encWinZipAes192}}) {
        SCOPED_TRACE(targetEncryption);
        const auto target = scratch.file("target" + std::to_string(targetEncryption) + ".zip");
        CZipBundle out;
        out.SetEncryptionMethod(targetEncryption);
        ASSERT_TRUE(out.Open(zipPath(target), CZipBundle::zipCreate));
        if (targetEncryption != CZipCryptograph::encNone) out.SetPassword(zipText(kCopyKey).c_str());
        std::map<std::string, std::string> expected;
        for (const std::string name : {"plain-deflate", "plain-bzip2", "traditional", "aes", "seven-aes", "seven-zc"}) {
            CZipBundle in;
            ASSERT_TRUE(in.Open(zipPath(scratch.file(name + ".zip")), CZipBundle::zipOpenReadOnly));
            for (ZIP_INDEX_TYPE i = 0; i < in.GetCount(); ++i) {
                if (in.GetFileInfo(i)->IsDirectory()) continue;
                ASSERT_TRUE(out.CopyEntryFrom(in, i)) << name << " " << i;
                std::string slashed = utf8(in.GetFileInfo(i)->GetFileName(false));
                std::replace(slashed.begin(), slashed.end(), '\\', '/');
                expected[slashed] = slashed.find("data.bin") != std::string::npos ? data
                                    : slashed.find("small") != std::string::npos ? "ab"
                                                                                 : text;
            }
            in.Close();
        }
        EXPECT_FALSE(out.CopyEntryFrom(out, 0));
        out.Close();
        expectPeerAccepts({"7z", "t", std::string("-p") + kCopyKey, target.string()}, scratch.dir());
        expectPeerAccepts({"7z", "x", "-y", std::string("-p") + kCopyKey, "-o" + scratch.file("x" + std::to_string(targetEncryption)).string(),
                           target.string()},
                          scratch.dir());
        EXPECT_EQ(expected, scratch.files(scratch.file("x" + std::to_string(targetEncryption))));
        std::map<std::string, std::string> ours;
        for (const auto& [name, content] : ourContents(target, kCopyKey)) {
            std::string slashed = name;
            std::replace(slashed.begin(), slashed.end(), '\\', '/');
            ours[slashed] = content;
        }
        EXPECT_EQ(expected, ours);
    }
}

// A renamed entry's local header is rewritten at once; the entries behind
// it move when the name's length changes.
TEST(RenamedEntries, NewNamesReachBothHeaders) {
    Scratch scratch;
    const auto archive = scratch.file("n.zip");
    const std::string a = textData(20000, 11), b = randomData(9000, 12), c = textData(500, 13);
    {
        CZipBundle zip;
        zip.Open(zipPath(archive), CZipBundle::zipCreate);
        ASSERT_TRUE(addOrReplace(zip, a, "a.txt"));
        ASSERT_TRUE(addOrReplace(zip, b, "b.bin"));
        ASSERT_TRUE(addOrReplace(zip, c, "c.txt"));
        zip.Close();
    }
    {
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpen));
        ASSERT_TRUE(zip.GetFileInfo(1)->Rename(zipText("folder\\a much longer name.bin")));
        ASSERT_TRUE(zip.GetFileInfo(0)->Rename(zipText("x")));
        EXPECT_EQ(1u, zip.FindFile(zipText("FOLDER\\A MUCH LONGER NAME.BIN")));
        zip.Close();
    }
    expectPeerAccepts({"unzip", "-tq", archive.string()}, scratch.dir());
    EXPECT_EQ((std::map<std::string, std::string>{{"x", a}, {"folder/a much longer name.bin", b}, {"c.txt", c}}),
              pythonContents(archive));
    CZipBundle readOnly;
    ASSERT_TRUE(readOnly.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    EXPECT_FALSE(readOnly.GetFileInfo(2)->Rename(zipText("other.txt")));
    EXPECT_EQ("c.txt", utf8(readOnly.GetFileInfo(2)->GetFileName(false)));
    readOnly.Close();
}

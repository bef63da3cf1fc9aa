// The signing component's road through the archive: a case-insensitive
// deflate container created, extended and read back, with entries from
// disk and from memory, found by name and by the container's patterns.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

namespace {

constexpr const char* kFolder = "D20261207211554Z";
constexpr int kSmart = 7;
constexpr std::uint32_t kBuffer = 65536;

// A container as the signing component keeps it: method 8, no case.
CZipBundle& configured(CZipBundle& zip) {
    EXPECT_TRUE(zip.SetCompressionMethod(8));
    zip.SetCaseSensitivity(false);
    return zip;
}

bool addToContainer(CZipBundle& zip, const std::string& bytes, const std::string& name) {
    CZipMemFile memory;
    memory.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return zip.AddNewFile(memory, zipText(name), -1, kSmart, kBuffer);
}

std::string entry(const std::string& below) { return std::string(kFolder) + "\\" + below; }

}  // namespace

TEST(SigningRoad, CreateExtendAndReadAContainer) {
    Scratch scratch;
    const std::string document = textData(300000);
    const std::string signature = randomData(2000, 2);
    const std::string policy = randomData(700, 3);
    const auto documentPath = scratch.write("in/renewal.xml", document);
    const auto container = scratch.file("request.kyd");

    {
        CZipBundle zip;
        configured(zip);
        ASSERT_TRUE(zip.Open(zipPath(container), CZipBundle::zipCreate, 0));
        const CZipString name = zipText(entry(utf8(zip.PredictFileNameInZip(zipPath(documentPath), false, 1))));
        EXPECT_EQ(entry("renewal.xml"), utf8(name));
        EXPECT_EQ(ZIP_FILE_INDEX_NOT_FOUND, zip.FindFile(name, true, false, 2));
        ASSERT_TRUE(zip.AddNewFile(zipPath(documentPath), name, -1, kSmart, kBuffer));
        ASSERT_TRUE(addToContainer(zip, signature, entry("S20261207211554Z.p7s")));
        EXPECT_EQ(utf8(zipPath(container)), utf8(zip.Close(CZipBundle::closeNormal)));
    }
    expectPeerAccepts({"unzip", "-tq", container.string()}, scratch.dir());

    {  // a second signature and its policy added to the existing container
        CZipBundle zip;
        configured(zip);
        ASSERT_TRUE(zip.Open(zipPath(container), CZipBundle::zipOpen, 0));
        EXPECT_EQ(2u, zip.GetCount());
        EXPECT_EQ(ZIP_FILE_INDEX_NOT_FOUND, zip.FindFile(zipText(entry("S20261208080000Z.p7s")), true, false, 2));
        ASSERT_TRUE(addToContainer(zip, signature + "2", entry("S20261208080000Z.p7s")));
        ASSERT_TRUE(addToContainer(zip, policy, entry("Policy\\P20261208080000Z.der")));
        zip.Close(CZipBundle::closeNormal);
    }
    const auto peer = pythonContents(container);
    ASSERT_EQ(4u, peer.size());
    EXPECT_EQ(document, peer.at(std::string(kFolder) + "/renewal.xml"));
    EXPECT_EQ(policy, peer.at(std::string(kFolder) + "/Policy/P20261208080000Z.der"));

    CZipBundle zip;
    configured(zip);
    ASSERT_TRUE(zip.Open(zipPath(container), CZipBundle::zipOpenReadOnly, 0));
    ASSERT_EQ(4u, zip.GetCount());
    CZipIndexesArray signatures;
    zip.FindMatches(zipText(std::string(kFolder) + "\\\\S[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]Z*.p7s"),
                    signatures, true);
    EXPECT_EQ((CZipIndexesArray{1, 2}), signatures);
    CZipIndexesArray policies;
    zip.FindMatches(zipText(std::string(kFolder) + "\\\\Policy\\\\P[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]Z*.der"),
                    policies, true);
    EXPECT_EQ((CZipIndexesArray{3}), policies);
    CZipIndexesArray folders;
    zip.FindMatches(zipText("D[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]Z\\\\*"), folders, true);
    EXPECT_EQ(4u, folders.size());

    // Names compare without case; the stored name keeps its folders.
    const ZIP_INDEX_TYPE found = zip.FindFile(zipText("d20261207211554z\\RENEWAL.XML"), true, false, 2);
    ASSERT_EQ(0u, found);
    EXPECT_EQ(entry("renewal.xml"), utf8(zip.GetFileInfo(found)->GetFileName()));

    CZipMemFile memory;
    ASSERT_TRUE(zip.ExtractFile(signatures[1], memory, true, kBuffer));
    EXPECT_EQ(0u, memory.GetPosition());
    EXPECT_EQ(signature + "2", memoryBytes(memory));

    ASSERT_TRUE(zip.ExtractFile(found, zipPath(scratch.file("out")), false, zipText("document.xml").c_str(), kBuffer));
    EXPECT_EQ(document, testkit::readFile(scratch.file("out/document.xml")));
    EXPECT_EQ(utf8(zipPath(container)), utf8(zip.Close(CZipBundle::closeNormal)));
}

TEST(SigningRoad, RefusalsChangeNothing) {
    Scratch scratch;
    const auto container = scratch.file("c.kyd");
    CZipBundle zip;
    configured(zip);
    EXPECT_EQ(ZIP_FILE_INDEX_NOT_FOUND, zip.FindFile(zipText("a"), true, false, 2));
    EXPECT_EQ(nullptr, zip.GetFileInfo(0));
    EXPECT_TRUE(zip.Close(CZipBundle::closeNormal).empty());
    EXPECT_FALSE(std::filesystem::exists(container));

    ASSERT_TRUE(zip.Open(zipPath(container), CZipBundle::zipCreate, 0));
    ASSERT_TRUE(addToContainer(zip, "abc", "a.txt"));
    EXPECT_FALSE(zip.Open(zipPath(scratch.file("other.kyd")), CZipBundle::zipCreate, 0));
    EXPECT_EQ(nullptr, zip.GetFileInfo(1));
    ASSERT_TRUE(addToContainer(zip, "def", "b.txt"));
    zip.Close();
    EXPECT_FALSE(std::filesystem::exists(scratch.file("other.kyd")));
    EXPECT_EQ(2u, pythonContents(container).size());
}

// After a failed add the container is closed "after an error": the entries
// written before are kept and the directory is still written.
TEST(SigningRoad, CloseAfterErrorKeepsTheCompletedEntries) {
    Scratch scratch;
    const auto container = scratch.file("c.kyd");
    CZipBundle zip;
    configured(zip);
    ASSERT_TRUE(zip.Open(zipPath(container), CZipBundle::zipCreate, 0));
    ASSERT_TRUE(addToContainer(zip, textData(5000), "doc.xml"));
    EXPECT_EQ(CZipException::noSourceAttributes,
              zipErrorOf([&] { zip.AddNewFile(zipPath(scratch.file("missing.xml")), zipText("x.xml"), -1, kSmart, kBuffer); }));
    zip.Close(CZipBundle::closeAfterError);
    const auto peer = pythonContents(container);
    ASSERT_EQ(1u, peer.size());
    EXPECT_EQ(textData(5000), peer.at("doc.xml"));
}

// Archives that Info-ZIP zip, 7-Zip and Python's zipfile write with the
// features the library writes too are read and extracted by it.
#include <gtest/gtest.h>

#include "bundle_support.h"

using namespace ziptest;

namespace {

constexpr const char* kPassword = "Heslo-7z";

// The sample tree the peers pack: text, random data, an empty file, a folder.
std::map<std::string, std::string> sampleTree(const Scratch& scratch) {
    const std::map<std::string, std::string> files{{"tree/text.txt", textData(150000, 8)},
                                                   {"tree/data/random.bin", randomData(90000, 9)},
                                                   {"tree/empty.txt", ""}};
    for (const auto& [name, content] : files) scratch.write(name, content);
    return files;
}

std::map<std::string, std::string> withSlashes(const std::map<std::string, std::string>& contents) {
    std::map<std::string, std::string> slashed;
    for (const auto& [name, content] : contents) {
        std::string n = name;
        std::replace(n.begin(), n.end(), '\\', '/');
        slashed[n] = content;
    }
    return slashed;
}

struct PeerArchive {
    const char* name;
    std::vector<std::string> command;  // run in the scratch folder; writes peer.zip from "tree"
    bool encrypted;
};

class PeerArchiveTest : public ::testing::TestWithParam<PeerArchive> {};

}  // namespace

TEST_P(PeerArchiveTest, IsExtractedToTheSameBytes) {
    const PeerArchive& peer = GetParam();
    TESTKIT_REQUIRE_PROGRAM(peer.command.front());
    Scratch scratch;
    const auto expected = sampleTree(scratch);
    expectPeerAccepts(peer.command, scratch.dir());
    const auto archive = scratch.file("peer.zip");
    EXPECT_EQ(expected, withSlashes(ourContents(archive, peer.encrypted ? kPassword : "")));

    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    if (peer.encrypted) zip.SetPassword(zipText(kPassword).c_str());
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i)
        EXPECT_TRUE(zip.ExtractFile(i, zipPath(scratch.file("out")), true)) << i;
    zip.Close();
    EXPECT_EQ(expected, scratch.files(scratch.file("out")));
}

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerArchiveTest,
    ::testing::Values(
        PeerArchive{"ZipDeflate", {"zip", "-qr", "peer.zip", "tree"}, false},
        PeerArchive{"ZipStored", {"zip", "-qr0", "peer.zip", "tree"}, false},
        PeerArchive{"ZipBzip2", {"zip", "-qr", "-Z", "bzip2", "peer.zip", "tree"}, false},
        PeerArchive{"ZipTraditional", {"zip", "-qr", "-P", kPassword, "peer.zip", "tree"}, true},
        PeerArchive{"ZipZip64", {"zip", "-qr", "-fz", "peer.zip", "tree"}, false},
        PeerArchive{"SevenZipTraditional", {"7z", "a", "-tzip", "-mem=ZipCrypto", std::string("-p") + kPassword, "peer.zip", "tree"}, true},
        PeerArchive{"SevenZipAes128", {"7z", "a", "-tzip", "-mem=AES128", std::string("-p") + kPassword, "peer.zip", "tree"}, true},
        PeerArchive{"SevenZipAes192Bzip2", {"7z", "a", "-tzip", "-mm=BZip2", "-mem=AES192", std::string("-p") + kPassword, "peer.zip", "tree"}, true},
        PeerArchive{"SevenZipAes256", {"7z", "a", "-tzip", "-mem=AES256", std::string("-p") + kPassword, "peer.zip", "tree"}, true},
        PeerArchive{"PythonZip64Descriptors",
                    {"/usr/bin/python3", "-c",
                     "import os, zipfile, sys\n"
                     "class Pipe:\n"
                     "    def __init__(self, f): self.f = f\n"
                     "    def write(self, b): return self.f.write(b)\n"
                     "    def flush(self): pass\n"
                     "with open('peer.zip', 'wb') as out, zipfile.ZipFile(Pipe(out), 'w', zipfile.ZIP_DEFLATED) as z:\n"
                     "    for root, dirs, files in os.walk('tree'):\n"
                     "        for n in files:\n"
                     "            p = os.path.join(root, n)\n"
                     "            with open(p, 'rb') as src, z.open(p, 'w', force_zip64=True) as dst: dst.write(src.read())\n"},
                    false}),
    [](const ::testing::TestParamInfo<PeerArchive>& info) { return std::string(info.param.name); });

// Info-ZIP's streaming output (to a pipe) keeps sizes and CRC in data descriptors.
TEST(PeerArchiveStreams, ZipToAPipeIsRead) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    Scratch scratch;
    const std::string text = textData(50000, 10);
    testkit::RunOptions options;
    options.input = text;
    options.cwd = scratch.dir();
    const testkit::RunResult made = testkit::run({"zip", "-q", "-", "-"}, options);
    ASSERT_EQ(0, made.exitCode) << made.err;
    const auto archive = scratch.write("stream.zip", made.out);
    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    ASSERT_EQ(1u, zip.GetCount());
    EXPECT_TRUE(zip.GetFileInfo(0)->m_uFlag & CZipFileHeader::flagDataDescriptor);
    std::string data;
    EXPECT_EQ(0, extractFails(zip, 0, &data));
    EXPECT_EQ(text, data);
}

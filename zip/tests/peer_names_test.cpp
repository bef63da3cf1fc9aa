// Czech names as other writers store them: Info-ZIP's zip on Linux (UTF-8
// from a Unix host, unflagged), 7-Zip and Python's zipfile (flagged UTF-8),
// and Info-ZIP on Windows (code page 852 with a Unicode path record). Either
// build lists them as unzip does, finds them by name and extracts them under
// the name itself.
#include <gtest/gtest.h>

#include <algorithm>

#include "bundle_support.h"

using namespace ziptest;

namespace {

const std::string kCzechFolder = "čeština";
const std::string kName = "čeština/žluťoučký kůň.txt";
const std::string kCzechContent = "úpěl ďábelské ódy";

testkit::RunResult runPeer(const std::vector<std::string>& argv, const std::filesystem::path& cwd) {
    testkit::RunOptions options;
    options.cwd = cwd;
    options.env = {{"LC_ALL", "C.UTF-8"}};
    return testkit::run(argv, options);
}

// The name as Info-ZIP on Windows stores it: OEM bytes, and the UTF-8 name
// in a Unicode path record that carries the CRC-32 of those bytes.
std::string windowsInfoZipArchive() {
    const std::string oem = "\x9F" "e\xE7" "tina/\xA7lu\x9Cou\x9F" "k\xEC k\x85\xE5.txt";
    const std::string record = "\x01" + le32(crc32Of(oem)) + kName;
    return buildArchive({{.name = oem, .data = kCzechContent, .centralExtra = extraRecord(0x7075, record)}});
}

}  // namespace

TEST(PeerNames, CzechNamesAreListedFoundAndExtractedUnderTheirOwnName) {
    TESTKIT_REQUIRE_PROGRAM("zip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    TESTKIT_REQUIRE_PROGRAM("unzip");
    Scratch scratch;
    scratch.write("source/" + kName, kCzechContent);
    const auto source = scratch.file("source");
    expectSuccess(runPeer({"zip", "-q", "../infozip.zip", kName}, source), "zip");
    expectSuccess(runPeer({"7z", "a", "-tzip", "../seven.zip", kName}, source), "7z");
    expectSuccess(python("import sys, zipfile\n"
                         "with zipfile.ZipFile('../python.zip', 'w') as z: z.write(sys.argv[1])\n",
                         {kName}, source),
                  "python");
    scratch.write("windows.zip", windowsInfoZipArchive());

    for (const char* archive : {"infozip.zip", "seven.zip", "python.zip", "windows.zip"}) {
        SCOPED_TRACE(archive);
        const testkit::RunResult listed = runPeer({"unzip", "-Z1", archive}, scratch.dir());
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(scratch.file(archive)), CZipBundle::zipOpenReadOnly));
        std::string ours;
        for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) {
            std::string name = utf8(zip.GetFileInfo(i)->GetFileName());
            std::replace(name.begin(), name.end(), '\\', '/');
            ours += name + "\n";
        }
        EXPECT_EQ(listed.out, ours);
        EXPECT_NE(std::string::npos, ours.find(kName + "\n"));

        const ZIP_INDEX_TYPE found = zip.FindFile(zipText("čeština\\žluťoučký kůň.txt"));
        ASSERT_NE(ZIP_FILE_INDEX_NOT_FOUND, found);
        const auto out = scratch.file(std::string("out-") + archive);
        EXPECT_TRUE(zip.ExtractFile(found, zipPath(out)));
        zip.Close();
        EXPECT_EQ((std::map<std::string, std::string>{{kName, kCzechContent}}), scratch.files(out));
    }
}

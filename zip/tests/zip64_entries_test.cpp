// ZIP64 by entry count: an archive of 65,536 entries gets the ZIP64 end
// records and passes the peers.
#include <gtest/gtest.h>

#include "bundle_support.h"
#include "zip/zip_mem_file.h"

using namespace ziptest;

TEST(Zip64Entries, SixtyFiveThousandEntriesPassThePeers) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    Scratch scratch;
    const auto archive = scratch.file("many.zip");
    constexpr ZIP_INDEX_TYPE count = 65536;
    {
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipCreate));
        for (ZIP_INDEX_TYPE i = 0; i < count; ++i) {
            const std::string body = "entry " + std::to_string(i);
            CZipMemFile memory;
            memory.Write(body.data(), static_cast<std::uint32_t>(body.size()));
            ASSERT_TRUE(zip.AddNewFile(memory, zipText("d" + std::to_string(i % 16) + "\\e" + std::to_string(i) + ".txt")));
        }
        zip.Close();
    }
    const std::string bytes = testkit::readFile(archive);
    EXPECT_NE(std::string::npos, bytes.find("PK\x06\x06", bytes.size() - 22 - 20 - 56));
    expectPeerAccepts({"unzip", "-tq", archive.string()}, scratch.dir());
    expectPeerAccepts({"7z", "t", archive.string()}, scratch.dir());
    const testkit::RunResult counted = python(
        "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\nprint(len(z.infolist()))",
        {archive.string()}, scratch.dir());
    expectSuccess(counted, "python zipfile");
    EXPECT_EQ("65536\n", counted.out);

    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    ASSERT_EQ(count, zip.GetCount());
    const ZIP_INDEX_TYPE last = zip.FindFile(zipText("d15\\e65535.txt"));
    ASSERT_EQ(count - 1, last);
    std::string data;
    EXPECT_EQ(0, extractFails(zip, last, &data));
    EXPECT_EQ("entry 65535", data);
    zip.Close();
}

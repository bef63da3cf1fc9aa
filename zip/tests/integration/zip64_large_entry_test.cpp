// ZIP64 by size: an entry of more than 4 GiB (zeros from a generator, so
// the archive stays small) gets its ZIP64 records, passes the peers, each
// reading it a piece at a time in little memory, and extracts with a
// matching CRC. Slow: labelled integration.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>

#include "bundle_support.h"

using namespace ziptest;

namespace {

constexpr ZIP_FILE_USIZE kSize = (ZIP_FILE_USIZE{1} << 32) + 12345;

// Each peer reads 8 GiB: on a loaded machine that takes far longer than a
// peer's usual two minutes, after which it would be killed half-way.
testkit::RunResult peer(const std::vector<std::string>& argv, const std::filesystem::path& cwd) {
    testkit::RunOptions options;
    options.cwd = cwd;
    options.timeout = std::chrono::minutes(30);
    return testkit::run(argv, options);
}

// Reads as kSize zero bytes; written bytes are only counted.
class ZeroFile : public CZipAbstractFile {
public:
    void Close() override {}
    void Flush() override {}
    ZIP_FILE_USIZE GetPosition() const override { return m_position; }
    ZIP_FILE_USIZE Seek(ZIP_FILE_SIZE offset, int origin) override {
        const ZIP_FILE_USIZE base = origin == begin ? 0 : origin == current ? m_position : GetLength();
        return m_position = base + static_cast<ZIP_FILE_USIZE>(offset);
    }
    ZIP_FILE_USIZE GetLength() const override { return std::max(kSize, m_written); }
    void SetLength(ZIP_FILE_USIZE length) override { m_written = length; }
    CZipString GetFilePath() const override { return {}; }
    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        const auto n = static_cast<std::uint32_t>(std::min<ZIP_FILE_USIZE>(count, kSize - std::min(kSize, m_position)));
        std::memset(buffer, 0, n);
        m_position += n;
        return n;
    }
    void Write(const void*, std::uint32_t count) override {
        m_position += count;
        m_written = std::max(m_written, m_position);
    }
    bool IsClosed() const override { return false; }

    ZIP_FILE_USIZE m_written = 0;

private:
    ZIP_FILE_USIZE m_position = 0;
};

}  // namespace

TEST(Zip64LargeEntry, MoreThanFourGigabytesPassThePeers) {
    TESTKIT_REQUIRE_PROGRAM("unzip");
    TESTKIT_REQUIRE_PROGRAM("7z");
    Scratch scratch;
    const auto archive = scratch.file("large.zip");
    {
        CZipBundle zip;
        ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipCreate));
        ZeroFile zeros;
        ASSERT_TRUE(zip.AddNewFile(zeros, zipText("zeros.bin"), 1));
        ASSERT_TRUE(zip.AddNewFile(zeros, zipText("again.bin"), 1));
        zip.Close();
    }
    expectSuccess(peer({"unzip", "-tq", archive.string()}, scratch.dir()), "unzip");
    expectSuccess(peer({"7z", "t", archive.string()}, scratch.dir()), "7z");
    // Python reads each entry a piece at a time (testzip checks the CRC as
    // it goes) within 256 MiB of address space: a peer that held an entry
    // whole would fail here, not take the machine's memory.
    const testkit::RunResult sizes =
        peer({"/usr/bin/python3", "-c",
              "import resource, sys, zipfile\n"
              "resource.setrlimit(resource.RLIMIT_AS, (256 << 20, 256 << 20))\n"
              "z = zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
              "print(' '.join(str(i.file_size) for i in z.infolist()))",
              archive.string()},
             scratch.dir());
    expectSuccess(sizes, "python zipfile");
    EXPECT_EQ(std::to_string(kSize) + " " + std::to_string(kSize) + "\n", sizes.out);
    // No peer came near holding an entry: the largest of them stayed small.
    rusage peers{};
    ASSERT_EQ(0, getrusage(RUSAGE_CHILDREN, &peers));
    EXPECT_LT(peers.ru_maxrss, 256 << 10) << "kilobytes";

    CZipBundle zip;
    ASSERT_TRUE(zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly));
    ASSERT_EQ(2u, zip.GetCount());
    EXPECT_EQ(kSize, zip.GetFileInfo(1)->m_uUncomprSize);
    ZeroFile target;
    EXPECT_TRUE(zip.ExtractFile(1, target, false));
    EXPECT_EQ(kSize, target.m_written);
    zip.Close();
}

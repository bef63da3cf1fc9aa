// The memory file, the disk file and the byte buffer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <type_traits>

#include "support.h"
#include "testkit/platform_root.h"
#include "zip/zip_exception.h"
#include "zip/zip_file.h"
#include "zip/zip_mem_file.h"

namespace {

using ziptest::zipErrorOf;

// The descriptor this process holds open on the file, or -1.
int descriptorOf(const std::filesystem::path& file) {
    for (const auto& link : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(link.path(), error) == file) return std::stoi(link.path().filename().string());
    }
    return -1;
}

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

}  // namespace

TEST(ZipMemFile, CallersBufferWithoutGrowthStaysInItsBounds) {
    char block[100];
    std::memset(block, 'a', sizeof block);
    {
        CZipMemFile file;
        file.UseBuffer(block, sizeof block);
        EXPECT_FALSE(file.IsClosed());
        char read[10];
        EXPECT_EQ(10u, file.Read(read, 10));
        EXPECT_EQ(100u, file.Seek(100, CZipAbstractFile::begin));
        EXPECT_EQ(95u, file.Seek(-5, CZipAbstractFile::end));
        file.Write("bbbbb", 5);
        EXPECT_EQ(505, zipErrorOf([&] { file.Write("c", 1); }));
        EXPECT_EQ(505, zipErrorOf([&] { file.Seek(101, CZipAbstractFile::begin); }));
        EXPECT_EQ(505, zipErrorOf([&] { file.Seek(-101, CZipAbstractFile::end); }));
        EXPECT_EQ(505, zipErrorOf([&] { file.Seek(-1, CZipAbstractFile::begin); }));
    }
    EXPECT_EQ('b', block[99]);  // the caller's block survives the file
}

TEST(ZipMemFile, GrowsForWritesAndSeeksButKeepsItsLengthUntilWritten) {
    CZipMemFile file(16);
    EXPECT_TRUE(file.IsClosed());
    file.Write("abc", 3);
    EXPECT_EQ(13u, file.Seek(10, CZipAbstractFile::end));
    EXPECT_EQ(3u, file.GetLength());
    file.Write("z", 1);
    EXPECT_EQ(14u, file.GetLength());
    char all[14];
    file.SeekToBegin();
    EXPECT_EQ(14u, file.Read(all, 20));
    EXPECT_EQ(0, std::memcmp(all, "abc\0\0\0\0\0\0\0\0\0\0z", 14));
    EXPECT_EQ(0u, file.Read(all, 1));
    EXPECT_EQ(505, zipErrorOf([&] { file.Seek(ZIP_FILE_SIZE{1} << 32, CZipAbstractFile::begin); }));
}

TEST(ZipMemFile, SetLengthMovesThePositionOnlyWithinTheCapacity) {
    CZipMemFile file(64);
    file.Write("0123456789", 10);
    file.SetLength(4);
    EXPECT_EQ(4u, file.GetPosition());
    EXPECT_EQ(4u, file.GetLength());
    file.Seek(1, CZipAbstractFile::begin);
    file.SetLength(1000);
    EXPECT_EQ(1u, file.GetPosition());
    EXPECT_EQ(1000u, file.GetLength());
    char tail[4];
    file.Seek(4, CZipAbstractFile::begin);
    file.Read(tail, 4);
    EXPECT_EQ(0, std::memcmp(tail, "\0\0\0\0", 4));  // bytes that were never written read as 0
}

TEST(ZipMemFile, DetachHandsTheBlockOverAndClosing) {
    CZipMemFile file;
    file.Write("data", 4);
    const auto length = file.GetLength();
    void* block = file.Detach();
    EXPECT_TRUE(file.IsClosed());
    EXPECT_EQ(4u, length);
    EXPECT_EQ(0, std::memcmp(block, "data", 4));
    std::free(block);
    EXPECT_EQ(505, zipErrorOf([&] { file.Write("x", 1); }));  // a closed memory file cannot grow
}

TEST(ZipFile, OpenFlagsDecideTruncationAndErrorsCarryErrno) {
    testkit::PlatformRoot root;
    const auto path = root.write("f.bin", "content");
    const CZipString name = ziptest::zipPath(path);
    CZipFile file;
    ASSERT_TRUE(file.Open(name, CZipFile::modeRead, true));
    char buffer[16];
    EXPECT_EQ(7u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ(0u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ(7u, file.GetLength());
    ASSERT_TRUE(file.Open(name, CZipFile::modeReadWrite | CZipFile::modeNoTruncate, true));
    EXPECT_EQ(7u, file.GetLength());
    ASSERT_TRUE(file.Open(name, CZipFile::modeWrite, true));
    EXPECT_EQ(0u, file.GetLength());
    file.Close();
    EXPECT_TRUE(file.IsClosed());
    EXPECT_TRUE(file.GetFilePath().empty());

    const CZipString missing = ziptest::zipPath(root.path() / "missing.zip");
    EXPECT_FALSE(file.Open(missing, CZipFile::modeRead, false));
    try {
        file.Open(missing, CZipFile::modeRead, true);
        FAIL() << "nothing thrown";
    } catch (const CZipException& e) {
        EXPECT_EQ(ENOENT, e.GetCode());
        EXPECT_EQ(ziptest::utf8(missing), ziptest::utf8(e.GetFileName()));
    }
}

// A close that fails (here: the descriptor was closed underneath) is
// reported by Close() alone; the destructor ignores it, also while an
// exception unwinds, and never closes a descriptor a second time.
TEST(ZipFile, OnlyAnExplicitCloseReportsAFailingClose) {
    static_assert(std::is_nothrow_destructible_v<CZipFile>);
    testkit::PlatformRoot root;
    const auto path = root.write("f.bin", "content");
    const CZipString name = ziptest::zipPath(path);

    int fd = -1;
    {
        CZipFile file;
        ASSERT_TRUE(file.Open(name, CZipFile::modeRead, true));
        fd = descriptorOf(path);
        ASSERT_NE(-1, fd);
    }
    EXPECT_FALSE(isOpen(fd)) << "the destructor closes an open file";

    {
        CZipFile file;
        ASSERT_TRUE(file.Open(name, CZipFile::modeReadWrite | CZipFile::modeNoTruncate, true));
        fd = descriptorOf(path);
        ASSERT_EQ(0, ::close(fd));
        try {
            file.Close();
            FAIL() << "nothing thrown";
        } catch (const CZipException& e) {
            EXPECT_EQ(EBADF, e.GetCode());
            EXPECT_EQ(ziptest::utf8(name), ziptest::utf8(e.GetFileName()));
        }
        EXPECT_TRUE(file.IsClosed());
        EXPECT_EQ(0, zipErrorOf([&] { file.Close(); }));
        // The freed number goes to the next descriptor opened; the object
        // must leave it alone.
        const int reused = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(fd, reused);
        fd = reused;
    }
    EXPECT_TRUE(isOpen(fd));
    ::close(fd);

    try {
        CZipFile file;
        ASSERT_TRUE(file.Open(name, CZipFile::modeRead, true));
        ASSERT_EQ(0, ::close(descriptorOf(path)));
        throw std::runtime_error("unwinding");
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("unwinding", e.what());
    }
}

// A pipe delivers its data in pieces; a read ends only at the end of the data.
TEST(ZipFile, ReadsAPipeToItsEnd) {
    testkit::PlatformRoot root;
    const auto fifo = root.path() / "pipe";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    testkit::Service writer({"sh", "-c", "{ printf abc; sleep 0.3; printf def; } > pipe"}, {.cwd = root.path()});
    CZipFile file;
    ASSERT_TRUE(file.Open(ziptest::zipPath(fifo), CZipFile::modeRead, true));
    char buffer[8];
    ASSERT_EQ(6u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ(0, std::memcmp(buffer, "abcdef", 6));
}

TEST(ZipAutoBuffer, ResizeAndCopy) {
    CZipAutoBuffer buffer(8);
    EXPECT_TRUE(buffer.IsAllocated());
    std::memcpy(buffer.GetBuffer(), "12345678", 8);
    const CZipAutoBuffer copy(buffer);
    buffer.Resize(8, true);
    EXPECT_EQ('\0', buffer.GetBuffer()[0]);
    EXPECT_EQ('1', copy.GetBuffer()[0]);
    EXPECT_EQ(nullptr, buffer.Resize(0));
    EXPECT_EQ(0u, buffer.GetSize());
}

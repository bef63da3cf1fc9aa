#include "common/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "testkit/platform_root.h"

namespace {

class FilesTest : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
};

TEST_F(FilesTest, FileExistsForFilesAndFolders) {
    const auto file = root.write("data/file.txt", "x");
    EXPECT_TRUE(FileExists(file.string().c_str()));
    EXPECT_TRUE(FileExists(file.parent_path().string().c_str()));
    EXPECT_FALSE(FileExists((root.path() / "missing").string().c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(FilesTest, ReadFileToBufferReadsTheWholeFile) {
    const std::string content("bin\0ary\r\n", 9);
    const auto file = root.write("data.bin", content);
    std::vector<BYTE> bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(ReadFileToBuffer(file.string(), bytes));
    EXPECT_EQ(std::vector<BYTE>(content.begin(), content.end()), bytes);

    std::string text = "old";
    ASSERT_TRUE(ReadFileToVector(file.string(), text));
    EXPECT_EQ(content, text);
}

TEST_F(FilesTest, EmptyMissingOrUnnamedFilesAreNotRead) {
    const auto empty = root.write("empty", "");
    std::vector<BYTE> bytes;
    EXPECT_FALSE(ReadFileToBuffer(empty.string(), bytes));
    EXPECT_FALSE(ReadFileToBuffer((root.path() / "missing").string(), bytes));
    EXPECT_FALSE(ReadFileToBuffer("", bytes));
    std::string text = "old";
    EXPECT_FALSE(ReadFileToVector(empty.string(), text));
    EXPECT_EQ("", text);
}

TEST_F(FilesTest, FileOf4GiBAndMoreIsRefusedNotReadInPart) {
    const auto file = root.write("huge", "");
    std::filesystem::resize_file(file, 0x100000000ull + 10);  // sparse
    std::vector<BYTE> bytes;
    EXPECT_FALSE(ReadFileToBuffer(file.string(), bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(GetModuleDirectory, IsTheFolderOfTheTestProgram) {
    std::string folder = "old";
    ASSERT_TRUE(GetModuleDirectory(folder));
    EXPECT_EQ(std::filesystem::read_symlink("/proc/self/exe").parent_path().string(), folder);
}

}  // namespace

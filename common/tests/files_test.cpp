#include "common/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ansi_name.h"
#include "testkit/platform_root.h"

namespace {

using platform::paths::toAnsiName;

class FilesTest : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
};

TEST_F(FilesTest, FileExistsForFilesAndFolders) {
    const auto file = root.write("data/file.txt", "x");
    EXPECT_TRUE(FileExists(toAnsiName(file).c_str()));
    EXPECT_TRUE(FileExists(toAnsiName(file.parent_path()).c_str()));
    EXPECT_FALSE(FileExists(toAnsiName(root.path() / "missing").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(FilesTest, ReadFileToBufferReadsTheWholeFile) {
    const std::string content("bin\0ary\r\n", 9);
    const auto file = root.write("data.bin", content);
    std::vector<BYTE> bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(ReadFileToBuffer(toAnsiName(file), bytes));
    EXPECT_EQ(std::vector<BYTE>(content.begin(), content.end()), bytes);

    std::string text = "old";
    ASSERT_TRUE(ReadFileToVector(toAnsiName(file), text));
    EXPECT_EQ(content, text);
}

TEST_F(FilesTest, EmptyMissingOrUnnamedFilesAreNotRead) {
    const auto empty = root.write("empty", "");
    std::vector<BYTE> bytes;
    EXPECT_FALSE(ReadFileToBuffer(toAnsiName(empty), bytes));
    EXPECT_FALSE(ReadFileToBuffer(toAnsiName(root.path() / "missing"), bytes));
    EXPECT_FALSE(ReadFileToBuffer("", bytes));
    std::string text = "old";
    EXPECT_FALSE(ReadFileToVector(toAnsiName(empty), text));
    EXPECT_EQ("", text);
}

TEST_F(FilesTest, FileOf4GiBAndMoreIsRefusedNotReadInPart) {
    const auto file = root.write("huge", "");
    std::filesystem::resize_file(file, 0x100000000ull + 10);  // sparse
    std::vector<BYTE> bytes;
    EXPECT_FALSE(ReadFileToBuffer(toAnsiName(file), bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(GetModuleDirectory, IsTheFolderOfTheTestProgram) {
    std::string folder = "old";
    ASSERT_TRUE(GetModuleDirectory(folder));
    EXPECT_EQ(toAnsiName(std::filesystem::read_symlink("/proc/self/exe").parent_path()), folder);
}

}  // namespace

// FindFirstFile / FindNextFile: wildcards without case, the Windows "*.*"
// and ".*" rules, "." and "..", the order, the details and the errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ansi_name.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/sync.h"

namespace fs = std::filesystem;

namespace {

class Find : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.txt", "B.TXT", "readme", "c.doc", ".hidden"}) root.write(name, "12345");
        fs::create_directory(root.path() / "sub");
    }

    // Every name the pattern finds, in order, or the error of FindFirstFile.
    std::vector<std::string> names(const std::string& pattern) {
        const std::u16string query = (root.path() / pattern).u16string();
        WIN32_FIND_DATAW data{};
        HANDLE h = FindFirstFileW(query.c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return {"error " + std::to_string(GetLastError())};
        std::vector<std::string> found;
        do found.push_back(platform::text::toUtf8(data.cFileName));
        while (FindNextFileW(h, &data));
        EXPECT_EQ(ERROR_NO_MORE_FILES, GetLastError());
        EXPECT_TRUE(FindClose(h));
        return found;
    }

    testkit::PlatformRoot root;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(Find, WildcardsMatchWithoutCaseInNameOrder) {
    EXPECT_EQ((Names{".", "..", ".hidden", "a.txt", "B.TXT", "c.doc", "readme", "sub"}), names("*"));
    EXPECT_EQ((Names{"a.txt", "B.TXT"}), names("*.txt"));
    EXPECT_EQ((Names{"c.doc"}), names("?.DOC"));
    EXPECT_EQ((Names{"readme"}), names("README"));
    EXPECT_EQ((Names{"readme"}), names("readme.*"));  // no extension is also an extension
    EXPECT_EQ(names("*"), names("*.*"));
    EXPECT_EQ((Names{"a.txt", "B.TXT"}), names("?.t?t"));
}

TEST_F(Find, ErrorsTellNoMatchFromNoFolder) {
    EXPECT_EQ((Names{"error 2"}), names("*.xyz"));
    EXPECT_EQ((Names{"error 3"}), names("missing/*"));
    EXPECT_EQ((Names{"error 2"}), names("sub/"));
}

TEST_F(Find, DetailsOfEntriesAndNarrowNames) {
    root.write(
        "\xC4\x8D"
        "ern\xC3\xA1.txt",
        "");  // "černá" in UTF-8
    WIN32_FIND_DATAA data{};
    const std::string query = platform::paths::toAnsiName(root.path() / "*.txt");
    HANDLE h = FindFirstFileA(query.c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_STREQ("a.txt", data.cFileName);
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, data.dwFileAttributes);
    EXPECT_EQ(5u, data.nFileSizeLow);
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_NE(0u, data.ftLastWriteTime.dwHighDateTime);
    ASSERT_TRUE(FindNextFileA(h, &data));
    ASSERT_TRUE(FindNextFileA(h, &data));
    EXPECT_STREQ(
        "\xE8"
        "ern\xE1.txt",
        data.cFileName);  // Windows-1250
    EXPECT_TRUE(FindClose(h));

    WIN32_FIND_DATAW wideData{};
    h = FindFirstFileW((root.path() / "s*").u16string().c_str(), &wideData);
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, wideData.dwFileAttributes);
    SetLastError(0);
    EXPECT_FALSE(FindNextFileW(nullptr, &wideData));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    EXPECT_TRUE(CloseHandle(h));  // a search is a kernel object too
}

TEST_F(Find, SymbolicLinksAreReparsePointsAndDanglingOnesAreListed) {
    fs::create_directory_symlink(root.path() / "sub", root.path() / "link-to-sub");
    fs::create_symlink(root.path() / "gone", root.path() / "link-dangling");
    std::vector<DWORD> attributes;
    WIN32_FIND_DATAW data{};
    HANDLE h = FindFirstFileW((root.path() / "link-*").u16string().c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    do attributes.push_back(data.dwFileAttributes);
    while (FindNextFileW(h, &data));
    FindClose(h);
    EXPECT_EQ((std::vector<DWORD>{FILE_ATTRIBUTE_REPARSE_POINT, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT}),
              attributes);
}

TEST_F(Find, FindCloseTakesOnlySearches) {
    HANDLE file = CreateFileW((root.path() / "a.txt").u16string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SetLastError(0);
    EXPECT_FALSE(FindClose(file));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    WIN32_FIND_DATAW data{};
    EXPECT_FALSE(FindNextFileW(file, &data));
    EXPECT_TRUE(CloseHandle(file));
}

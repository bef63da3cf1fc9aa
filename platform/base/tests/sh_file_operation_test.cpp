// SHFileOperationW deleting trees: what goes, what a link points to stays,
// and the codes of what cannot go.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/shell.h"
#include "win32/sync.h"

namespace {

namespace fs = std::filesystem;

constexpr FILEOP_FLAGS kSilent = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;

// The names as one double-NUL list.
int deleteNames(std::initializer_list<fs::path> names, FILEOP_FLAGS flags = kSilent, UINT function = FO_DELETE) {
    std::u16string list;
    for (const fs::path& name : names) list += platform::paths::toWide(name) + u'\0';
    list += u'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = function;
    op.pFrom = list.c_str();
    op.fFlags = flags;
    op.fAnyOperationsAborted = TRUE;
    const int result = SHFileOperationW(&op);
    EXPECT_FALSE(op.fAnyOperationsAborted);
    return result;
}

TEST(SHFileOperation, DeletesEveryNamedTreeButNothingALinkPointsTo) {
    testkit::PlatformRoot root;
    root.write("area/update/a.dll", "A");
    root.write("area/update/sub/deeper/b.dll", "B");
    root.write("area/single.txt", "S");
    root.write("outside/keep.txt", "K");
    fs::create_directories(root.path() / "area/update/empty");
    fs::permissions(root.path() / "area/update/a.dll", fs::perms::owner_read);  // read-only goes too
    fs::create_directory_symlink(root.path() / "outside", root.path() / "area/update/sub/link");
    fs::create_symlink(root.path() / "outside/keep.txt", root.path() / "area/update/file_link");

    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, deleteNames({root.path() / "area/update", root.path() / "area/single.txt"}));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_FALSE(fs::exists(fs::symlink_status(root.path() / "area/update")));
    EXPECT_FALSE(fs::exists(root.path() / "area/single.txt"));
    EXPECT_TRUE(fs::is_directory(root.path() / "area"));
    EXPECT_EQ("K", root.read("outside/keep.txt"));
}

TEST(SHFileOperation, WhatCannotGoIsNamedByItsCodeAndStays) {
    testkit::PlatformRoot root;
    root.write("area/update/held.dll", "H");
    root.write("area/update/other.dll", "O");
    EXPECT_EQ(static_cast<int>(ERROR_FILE_NOT_FOUND), deleteNames({root.path() / "area/missing"}));
    EXPECT_EQ(static_cast<int>(ERROR_PATH_NOT_FOUND), deleteNames({root.path() / "nowhere/missing"}));

    // Held open by this process without delete sharing, as Windows refuses it.
    const HANDLE held = CreateFileW(platform::paths::toWide(root.path() / "area/update/held.dll").c_str(),
                                    GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(static_cast<int>(ERROR_SHARING_VIOLATION), deleteNames({root.path() / "area/update"}));
    EXPECT_EQ("H", root.read("area/update/held.dll"));
    CloseHandle(held);

    // Nothing is asked, so a call that wants a question or another function is refused untouched.
    EXPECT_EQ(static_cast<int>(ERROR_INVALID_PARAMETER), deleteNames({root.path() / "area"}, FOF_SILENT));
    EXPECT_EQ(static_cast<int>(ERROR_INVALID_PARAMETER), deleteNames({root.path() / "area"}, kSilent, 0x0002));
    EXPECT_EQ(static_cast<int>(ERROR_INVALID_PARAMETER), deleteNames({}));
    EXPECT_EQ(static_cast<int>(ERROR_INVALID_PARAMETER), SHFileOperationW(nullptr));
    EXPECT_TRUE(fs::exists(root.path() / "area/update"));
    EXPECT_EQ(0, deleteNames({root.path() / "area/update"}));
    EXPECT_FALSE(fs::exists(root.path() / "area/update"));
}

}  // namespace

// The platform root and its folders, Windows path text, the shell's special
// folders, the current folder, full path names and disk queries.
#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <testkit/scoped_env.h>
#include "platform/ansi_name.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/shell.h"

namespace fs = std::filesystem;

TEST(Paths, RootComesFromTheEnvironmentOnEveryCall) {
    ScopedEnv noRoot("PLATFORM_ROOT", std::nullopt);
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv data("XDG_DATA_HOME", "/data");
        EXPECT_EQ(fs::path("/data/tesk-platform"), platform::paths::root());
    }
    {
        ScopedEnv relative("XDG_DATA_HOME", "relative/data");  // ignored, as the XDG rules say
        EXPECT_EQ(fs::path("/home/someone/.local/share/tesk-platform"), platform::paths::root());
    }
    ScopedEnv root("PLATFORM_ROOT", "/elsewhere");
    EXPECT_EQ(fs::path("/elsewhere"), platform::paths::root());
}

TEST(Paths, FoldersAreMadeOnFirstUseAndKeysArePrivate) {
    testkit::PlatformRoot root;
    EXPECT_FALSE(fs::exists(root.path() / "profile"));
    EXPECT_EQ(root.path() / "profile/AppData/Local/Temp", platform::paths::tempFolder());
    EXPECT_TRUE(fs::is_directory(root.path() / "profile/AppData/Local/Temp"));
    EXPECT_EQ(root.path() / "registry.db", platform::paths::registryDatabase());
    EXPECT_FALSE(fs::exists(root.path() / "registry.db"));  // a file: only its folder is made

    const fs::path keys = platform::paths::keyContainers();
    EXPECT_EQ(root.path() / "profile/Crypto/Keys", keys);
    struct stat st {};
    ASSERT_EQ(0, stat(keys.c_str(), &st));
    EXPECT_EQ(static_cast<mode_t>(S_IRWXU), st.st_mode & 0777);
    EXPECT_TRUE(fs::is_directory(platform::paths::machineKeyContainers()));
}

TEST(Paths, WindowsTextBecomesLinuxPathsWithSlashes) {
    EXPECT_EQ(fs::path("dir/sub/file.txt"), platform::paths::fromWindows(u"dir\\sub\\file.txt"));
    EXPECT_EQ(fs::path("C:/x"), platform::paths::fromWindows(u"C:\\x"));  // nothing but the separators
    EXPECT_EQ(fs::path("/tmp/\xC4\x8D"), platform::paths::fromWindowsAnsi("\\tmp\\\xE8"));
    EXPECT_EQ(u"/tmp/\u010D", platform::paths::toWide("/tmp/\xC4\x8D"));
    EXPECT_EQ("/tmp/\xE8", platform::paths::toAnsi("/tmp/\xC4\x8D"));
}

TEST(SpecialFolders, EachCsidlUnderTheRoot) {
    testkit::PlatformRoot root;
    const std::pair<int, const char*> expected[] = {
        {CSIDL_APPDATA, "profile/AppData/Roaming"}, {CSIDL_LOCAL_APPDATA, "profile/AppData/Local"},
        {CSIDL_COMMON_APPDATA, "ProgramData"},      {CSIDL_WINDOWS, "Windows"},
        {CSIDL_SYSTEM, "Windows/System32"},         {CSIDL_PROGRAM_FILES, "Program Files"},
        {CSIDL_PERSONAL, "profile/Documents"},      {CSIDL_PROFILE, "profile"},
    };
    for (const auto& [csidl, relative] : expected) {
        char16_t path[MAX_PATH] = {};
        ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path));
        EXPECT_EQ(root.path() / relative, fs::path(std::u16string(path))) << relative;
        EXPECT_TRUE(fs::is_directory(fs::path(std::u16string(path))));
        char ansi[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, ansi, csidl, FALSE));
        EXPECT_EQ(platform::paths::toAnsiName(root.path() / relative), ansi);
    }
    char16_t path[MAX_PATH];
    EXPECT_EQ(E_INVALIDARG, SHGetFolderPathW(nullptr, 0x77, nullptr, 0, path));
    EXPECT_EQ(E_INVALIDARG, SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, nullptr));
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, 0x77, TRUE));
}

TEST(SpecialFolders, ARootThatCannotHoldFoldersIsEFail) {
    testkit::PlatformRoot root;
    root.write("blocker", "a file where the root should be");
    ScopedEnv blocked("PLATFORM_ROOT", (root.path() / "blocker").c_str());
    char16_t path[MAX_PATH];
    EXPECT_EQ(E_FAIL, SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path));
}

TEST(CurrentFolder, SetGetAndFullPathNames) {
    testkit::PlatformRoot root;
    const fs::path before = fs::current_path();
    fs::create_directories(root.path() / "work/sub");
    const std::string work = platform::paths::toAnsiName(root.path() / "work");
    ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));
    char buffer[MAX_PATH];
    EXPECT_EQ(work.size(), GetCurrentDirectoryA(MAX_PATH, buffer));
    EXPECT_EQ(work, buffer);
    EXPECT_EQ(work.size() + 1, GetCurrentDirectoryA(3, buffer));  // too small: the size needed

    char* filePart = nullptr;
    const DWORD n = GetFullPathNameA("sub\\..\\sub\\.\\file.txt", MAX_PATH, buffer, &filePart);
    EXPECT_EQ(work + "/sub/file.txt", std::string(buffer, n));
    EXPECT_STREQ("file.txt", filePart);
    GetFullPathNameA("sub\\", MAX_PATH, buffer, &filePart);
    EXPECT_EQ(nullptr, filePart);

    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryA((work + "/missing").c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    fs::current_path(before);
}

TEST(Disks, FreeSpaceAndDriveTypes) {
    testkit::PlatformRoot root;
    const std::u16string folder = root.path().u16string();
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free));
    EXPECT_GT(total.QuadPart, 0u);
    EXPECT_LE(free.QuadPart, total.QuadPart);
    EXPECT_LE(available.QuadPart, free.QuadPart);
    EXPECT_TRUE(GetDiskFreeSpaceExW(nullptr, nullptr, nullptr, &free));

    SetLastError(0);
    EXPECT_FALSE(GetDiskFreeSpaceExA("", nullptr, nullptr, &free));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
    EXPECT_TRUE(GetDiskFreeSpaceExA("\\", nullptr, nullptr, &free));

    EXPECT_EQ(DRIVE_FIXED, GetDriveTypeW(folder.c_str()));
    EXPECT_EQ(DRIVE_FIXED, GetDriveTypeA(nullptr));
    EXPECT_EQ(DRIVE_NO_ROOT_DIR, GetDriveTypeW((root.path() / "nowhere").u16string().c_str()));
}

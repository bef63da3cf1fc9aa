// Open files: round trips, dispositions, sharing, read-only files, the file
// pointer rules, times and attributes; copying, moving, deleting and folders
// with their Windows errors; temporary file names; ANSI names of Czech
// folders, and names the ANSI page cannot hold.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/ansi_name.h"
#include "platform/file_object.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"
#include "win32/datetime.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/sync.h"

namespace fs = std::filesystem;

namespace {

std::u16string wide(const fs::path& p) { return p.u16string(); }

HANDLE open(const fs::path& p, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
    return CreateFileW(wide(p).c_str(), access, share, nullptr, disposition, flags, nullptr);
}

// The last error of a call that must fail.
template <class Call>
DWORD failure(Call call) {
    SetLastError(0);
    EXPECT_FALSE(call());
    return GetLastError();
}

DWORD openFailure(const fs::path& p, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
    SetLastError(0);
    HANDLE h = open(p, access, share, disposition, flags);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return GetLastError();
}

void write(HANDLE h, const std::string& data) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    ASSERT_EQ(data.size(), written);
}

std::string read(HANDLE h, DWORD size) {
    std::string data(size, '\0');
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, data.data(), size, &got, nullptr));
    data.resize(got);
    return data;
}

DWORD attributes(const fs::path& p) { return GetFileAttributesW(wide(p).c_str()); }

}  // namespace

TEST(Files, WriteSeekReadRoundTripWithShortReadAtTheEnd) {
    testkit::PlatformRoot root;
    const fs::path file = root.path() / "data.bin";
    HANDLE h = open(file, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    write(h, "hello, world");
    EXPECT_EQ(7u, SetFilePointer(h, 7, nullptr, FILE_BEGIN));
    EXPECT_EQ("world", read(h, 100));
    EXPECT_EQ("", read(h, 100));  // at the end: success with nothing
    EXPECT_EQ(12u, GetFileSize(h, nullptr));
    EXPECT_EQ(5u, SetFilePointer(h, -7, nullptr, FILE_END));
    ASSERT_TRUE(SetEndOfFile(h));
    ASSERT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ("hello", root.read("data.bin"));

    DWORD got = 0;
    char byte = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE),
              failure([&] { return ReadFile(h, &byte, 1, &got, nullptr); }));  // closed
}

TEST(Files, DispositionsAndTheirErrors) {
    testkit::PlatformRoot root;
    const fs::path file = root.write("f.txt", "old content");
    EXPECT_EQ(ERROR_FILE_EXISTS, openFailure(file, GENERIC_WRITE, 0, CREATE_NEW));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, openFailure(root.path() / "none", GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, openFailure(root.path() / "no" / "f", GENERIC_READ, 0, OPEN_EXISTING));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, openFailure(file, GENERIC_READ, 0, TRUNCATE_EXISTING));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, openFailure(file, GENERIC_READ, 0, 0));
    EXPECT_EQ(ERROR_ACCESS_DENIED, openFailure(root.path(), GENERIC_READ, 0, OPEN_EXISTING));  // a folder

    HANDLE h = open(file, GENERIC_READ, 0, OPEN_ALWAYS);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    EXPECT_EQ("old", read(h, 3));
    CloseHandle(h);
    h = open(root.path() / "new.txt", GENERIC_WRITE, 0, OPEN_ALWAYS);
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    CloseHandle(h);
    h = open(file, GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    CloseHandle(h);
    EXPECT_EQ("", root.read("f.txt"));

    // Narrow names are ANSI and backslashes separate folders.
    const std::string folder = platform::paths::toAnsiName(root.path());
    std::string withBackslash = folder + "\\ko\xE8ka.txt";  // "kočka" in Windows-1250
    h = CreateFileA(withBackslash.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_TRUE(fs::exists(root.path() / u8"kočka.txt"));
}

TEST(Files, SharingBetweenHandlesOfTheProcess) {
    testkit::PlatformRoot root;
    const fs::path file = root.write("shared.txt", "x");
    HANDLE reader = open(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ(ERROR_SHARING_VIOLATION,
              openFailure(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, openFailure(file, GENERIC_READ, 0, OPEN_EXISTING));  // would deny the reader
    HANDLE second = open(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, second);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, failure([&] { return DeleteFileW(wide(file).c_str()); }));
    CloseHandle(second);
    CloseHandle(reader);

    HANDLE writer = open(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    HANDLE other = open(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, other);
    CloseHandle(other);
    EXPECT_TRUE(DeleteFileW(wide(file).c_str()));  // everyone shares delete
    CloseHandle(writer);
}

TEST(Files, DeleteOnCloseWaitsForTheLastHandle) {
    testkit::PlatformRoot root;
    const fs::path file = root.path() / "scratch.tmp";
    HANDLE first = open(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW,
                        FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(INVALID_HANDLE_VALUE, first);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, openFailure(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    HANDLE second = open(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, second);
    CloseHandle(first);
    EXPECT_TRUE(fs::exists(file));
    CloseHandle(second);
    EXPECT_FALSE(fs::exists(file));
}

TEST(Files, ReadOnlyFilesRefuseWritingAndDeletingEvenForRoot) {
    testkit::PlatformRoot root;
    const fs::path file = root.path() / "ro.txt";
    HANDLE h = open(file, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    write(h, "kept");  // the creating handle may still write
    CloseHandle(h);
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, attributes(file));
    EXPECT_EQ(ERROR_ACCESS_DENIED, openFailure(file, GENERIC_WRITE, 0, OPEN_EXISTING));
    EXPECT_EQ(ERROR_ACCESS_DENIED, openFailure(file, GENERIC_READ, 0, CREATE_ALWAYS));
    EXPECT_EQ(ERROR_ACCESS_DENIED, failure([&] { return DeleteFileW(wide(file).c_str()); }));
    HANDLE reader = open(file, GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_EQ("kept", read(reader, 10));
    CloseHandle(reader);

    ASSERT_TRUE(SetFileAttributesW(wide(file).c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, attributes(file));
    EXPECT_TRUE(DeleteFileW(wide(file).c_str()));
}

TEST(Files, AttributesFollowTheFile) {
    testkit::PlatformRoot root;
    root.write("plain", "");
    root.write(".profile", "");
    fs::create_directory(root.path() / "folder");
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, attributes(root.path() / "plain"));
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, attributes(root.path() / ".profile"));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, attributes(root.path() / "folder"));
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, attributes(root.path() / "missing"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(""));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
}

TEST(Files, PointerAndSizeRulesBeyondFourGigabytes) {
    testkit::PlatformRoot root;
    HANDLE h = open(root.path() / "big", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SetLastError(0);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -1, nullptr, FILE_BEGIN));
    EXPECT_EQ(ERROR_NEGATIVE_SEEK, GetLastError());

    LONG high = 1;
    EXPECT_EQ(0x10u, SetFilePointer(h, 0x10, &high, FILE_BEGIN));
    EXPECT_EQ(1, high);
    ASSERT_TRUE(SetEndOfFile(h));  // a sparse file of 4 GiB + 16
    DWORD sizeHigh = 0;
    EXPECT_EQ(0x10u, GetFileSize(h, &sizeHigh));
    EXPECT_EQ(1u, sizeHigh);
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(h, nullptr));  // not cut to the low part
    EXPECT_EQ(ERROR_ARITHMETIC_OVERFLOW, GetLastError());
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, 0, nullptr, FILE_END));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

    // A position whose low part is all ones succeeds with NO_ERROR.
    high = 0;
    SetLastError(ERROR_INVALID_HANDLE);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -1, &high, FILE_BEGIN));  // 0x00000000'FFFFFFFF
    EXPECT_EQ(0, high);
    EXPECT_EQ(NO_ERROR, GetLastError());

    LARGE_INTEGER distance{}, now{};
    distance.QuadPart = -16;
    ASSERT_TRUE(SetFilePointerEx(h, distance, &now, FILE_END));
    EXPECT_EQ(0x100000000ll, now.QuadPart);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(0x100000010ll, size.QuadPart);
    CloseHandle(h);
}

TEST(Files, TimesAndAccessChecksOfHandles) {
    testkit::PlatformRoot root;
    const fs::path file = root.write("t.txt", "x");
    HANDLE h = open(file, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    const FILETIME written{0x12345670u, 0x01D00000u};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &written));
    FILETIME creation{}, access{}, lastWrite{};
    ASSERT_TRUE(GetFileTime(h, &creation, &access, &lastWrite));
    EXPECT_EQ(0, CompareFileTime(&written, &lastWrite));
    EXPECT_GE(platform::fileObject(h)->descriptor(), 0);
    CloseHandle(h);

    HANDLE reader = open(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    DWORD n = 0;
    EXPECT_EQ(ERROR_ACCESS_DENIED, failure([&] { return WriteFile(reader, "y", 1, &n, nullptr); }));
    EXPECT_EQ(ERROR_ACCESS_DENIED, failure([&] { return SetFileTime(reader, nullptr, nullptr, &written); }));
    EXPECT_EQ(ERROR_ACCESS_DENIED, failure([&] { return SetEndOfFile(reader); }));
    char byte;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, failure([&] { return ReadFile(reader, &byte, 1, nullptr, nullptr); }));
    CloseHandle(reader);
}

TEST(FileOperations, CopyMoveDeleteWithWindowsErrors) {
    testkit::PlatformRoot root;
    const fs::path a = root.write("a.txt", "alpha");
    const fs::path b = root.write("b.txt", "beta");
    const fs::path c = root.path() / "c.txt";
    auto w = [](const fs::path& p) { return wide(p); };

    EXPECT_EQ(ERROR_FILE_EXISTS, failure([&] { return CopyFileW(w(a).c_str(), w(b).c_str(), TRUE); }));
    ASSERT_TRUE(CopyFileW(w(a).c_str(), w(b).c_str(), FALSE));
    EXPECT_EQ("alpha", root.read("b.txt"));
    ASSERT_TRUE(CopyFileW(w(a).c_str(), w(c).c_str(), TRUE));
    EXPECT_EQ(fs::last_write_time(a), fs::last_write_time(c));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              failure([&] { return CopyFileW(w(root.path() / "none").c_str(), w(c).c_str(), FALSE); }));

    EXPECT_EQ(ERROR_ALREADY_EXISTS, failure([&] { return MoveFileW(w(a).c_str(), w(b).c_str()); }));
    ASSERT_TRUE(MoveFileExW(w(a).c_str(), w(b).c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(fs::exists(a));
    ASSERT_TRUE(MoveFileW(w(b).c_str(), w(a).c_str()));
    EXPECT_EQ("alpha", root.read("a.txt"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, failure([&] { return MoveFileExW(w(a).c_str(), w(b).c_str(), 0x100); }));

    EXPECT_TRUE(DeleteFileW(w(c).c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, failure([&] { return DeleteFileW(w(c).c_str()); }));
    EXPECT_EQ(ERROR_ACCESS_DENIED, failure([&] { return DeleteFileW(w(root.path()).c_str()); }));
}

TEST(FileOperations, FoldersWithWindowsErrors) {
    testkit::PlatformRoot root;
    const std::u16string folder = wide(root.path() / "folder");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, failure([&] { return CreateDirectoryW(folder.c_str(), nullptr); }));
    EXPECT_EQ(ERROR_PATH_NOT_FOUND,
              failure([&] { return CreateDirectoryW(wide(root.path() / "x" / "y").c_str(), nullptr); }));
    root.write("folder/inside", "");
    EXPECT_EQ(ERROR_DIR_NOT_EMPTY, failure([&] { return RemoveDirectoryW(folder.c_str()); }));
    EXPECT_EQ(ERROR_DIRECTORY,
              failure([&] { return RemoveDirectoryW(wide(root.path() / "folder" / "inside").c_str()); }));
    fs::remove(root.path() / "folder" / "inside");
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, failure([&] { return RemoveDirectoryW(folder.c_str()); }));
}

TEST(TempFiles, TempPathAndUniqueNames) {
    testkit::PlatformRoot root;
    char16_t path[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, path);
    ASSERT_GT(length, 0u);
    const std::u16string temp(path, length);
    EXPECT_EQ(u'/', temp.back());
    EXPECT_TRUE(fs::is_directory(fs::path(temp)));
    EXPECT_EQ(fs::path(temp).parent_path(), root.path() / "profile/AppData/Local/Temp");
    EXPECT_EQ(length + 1, GetTempPathW(0, nullptr));

    char16_t name[MAX_PATH];
    EXPECT_EQ(0x1Fu, GetTempFileNameW(temp.c_str(), u"ABCD", 0x1001F, name));
    EXPECT_EQ(temp + u"ABC1F.tmp", std::u16string(name));
    EXPECT_FALSE(fs::exists(fs::path(name)));  // a given number only names the file

    char first[MAX_PATH], second[MAX_PATH];
    const std::string folder = platform::paths::toAnsiName(root.path());  // no trailing separator
    ASSERT_NE(0u, GetTempFileNameA(folder.c_str(), "ZAR", 0, first));
    ASSERT_NE(0u, GetTempFileNameA(folder.c_str(), "ZAR", 0, second));
    EXPECT_NE(std::string(first), std::string(second));
    const fs::path made = platform::paths::fromWindowsAnsi(first);
    EXPECT_TRUE(fs::is_regular_file(made));
    EXPECT_EQ(0u, fs::file_size(made));
    const std::string fileName = made.filename().string();
    EXPECT_EQ("ZAR", fileName.substr(0, 3));
    EXPECT_EQ(".tmp", fileName.substr(fileName.size() - 4));
    EXPECT_EQ(made.parent_path(), root.path());

    const std::u16string tooLong(MAX_PATH - 13, u'a');
    SetLastError(0);
    EXPECT_EQ(0u, GetTempFileNameW(tooLong.c_str(), u"x", 0, name));
    EXPECT_EQ(ERROR_BUFFER_OVERFLOW, GetLastError());
}

TEST(AnsiNames, CzechFoldersReachTheirFilesAndANameThePageLacksIsRefusedNotReplaced) {
    testkit::PlatformRoot root;
    {
        // The ANSI temporary path is the folder's Windows-1250 text, and an
        // ANSI name made from it reaches the file the wide name names.
        ScopedEnv czech("PLATFORM_ROOT", (root.path() / "Stažené soubory").string());
        char temp[MAX_PATH];
        const DWORD length = GetTempPathA(MAX_PATH, temp);
        ASSERT_GT(length, 0u);
        EXPECT_EQ(platform::paths::toAnsiName(root.path()) + "/Sta\x9E" "en\xE9 soubory/profile/AppData/Local/Temp/",
                  std::string(temp, length));
        const std::string contract = std::string(temp, length) + "Smlouva \xE8. 5.txt";
        const HANDLE h = CreateFileA(contract.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
        EXPECT_TRUE(fs::is_regular_file(root.path() / "Stažené soubory/profile/AppData/Local/Temp/Smlouva č. 5.txt"));
    }
    {
        // "資料" in ANSI would be "??", the name of another folder: the ANSI
        // form refuses, the wide form gives the folder.
        const fs::path documents = root.path() / "資料";
        fs::create_directories(root.path() / "?" "?/profile/AppData/Local/Temp");
        ScopedEnv other("PLATFORM_ROOT", documents.string());
        char temp[MAX_PATH] = "untouched";
        SetLastError(0);
        EXPECT_EQ(0u, GetTempPathA(MAX_PATH, temp));
        EXPECT_EQ(ERROR_INVALID_NAME, GetLastError());
        EXPECT_STREQ("untouched", temp);
        char16_t wideTemp[MAX_PATH];
        const DWORD length = GetTempPathW(MAX_PATH, wideTemp);
        EXPECT_EQ(platform::paths::toWide(documents / "profile/AppData/Local/Temp") + u"/",
                  std::u16string(wideTemp, length));
        EXPECT_THROW(platform::paths::toAnsiName(documents), platform::WinError);
    }
    {
        // "x日.kyd" is reached through the wide form. Its lossy ANSI text
        // "x?.kyd" opens nothing, though a file of that name is there.
        root.write("x?.kyd", "another file");
        const std::u16string wideName = platform::paths::toWide(root.path() / "x日.kyd");
        const HANDLE h = CreateFileW(wideName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CloseHandle(h);
        const std::string lossy = platform::text::toNarrow(wideName);
        SetLastError(0);
        EXPECT_EQ(INVALID_HANDLE_VALUE,
                  CreateFileA(lossy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_EQ(ERROR_INVALID_NAME, GetLastError());
        EXPECT_EQ(ERROR_INVALID_NAME, failure([&] { return DeleteFileA(lossy.c_str()); }));
        EXPECT_EQ("another file", root.read("x?.kyd"));
        EXPECT_TRUE(fs::is_regular_file(root.path() / "x日.kyd"));
    }
}

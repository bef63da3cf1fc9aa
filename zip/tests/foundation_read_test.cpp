// Exceptions, text, path splitting, name comparison and platform functions.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/paths.h"
#include "platform/text.h"
#include "support.h"
#include "testkit/platform_root.h"
#include "zip/zip_exception.h"
#include "zip/zip_path_component.h"
#include "zip/zip_platform.h"

using ziptest::utf8;
using ziptest::zipText;

TEST(ZipPathComponent, SplitsWindowsPathsIntoTheirFields) {
    struct Case {
        const char* path;
        const char* prefix;
        const char* drive;
        const char* directory;
        const char* title;
        const char* extension;
    };
    const Case cases[] = {
        {"\\\\?\\UNC\\server\\share\\a.txt", "\\\\?\\UNC\\", "", "server\\share", "a", "txt"},
        {"\\\\server\\x.zip", "\\\\", "", "server", "x", "zip"},
        {"\\\\?\\C:\\d\\f.txt", "\\\\?\\", "C:", "d", "f", "txt"},
        {"C:\\dir\\sub\\", "", "C:", "dir\\sub", "", ""},
        {"name.", "", "", "", "name", ""},
        {"/tmp/work/a.tar.gz", "", "", "/tmp/work/", "a.tar", "gz"},
    };
    for (const Case& c : cases) {
        const CZipPathComponent path(zipText(c.path));
        EXPECT_EQ(c.prefix, utf8(path.GetPrefix())) << c.path;
        EXPECT_EQ(c.drive, utf8(path.GetFileDrive())) << c.path;
        EXPECT_EQ(c.directory, utf8(path.GetFileDir())) << c.path;
        EXPECT_EQ(c.title, utf8(path.GetFileTitle())) << c.path;
        EXPECT_EQ(c.extension, utf8(path.GetFileExt())) << c.path;
    }
}

TEST(ZipPathComponent, ComposesNamesAndFullPaths) {
    EXPECT_EQ("name", utf8(CZipPathComponent(zipText("name.")).GetFileName()));
    EXPECT_EQ(".\\a.txt", utf8(CZipPathComponent(zipText("a.txt")).GetFullPath()));
    EXPECT_EQ("C:\\dir\\a.txt", utf8(CZipPathComponent(zipText("C:\\dir\\a.txt")).GetFullPath()));
    EXPECT_EQ("C:\\a.txt", utf8(CZipPathComponent(zipText("C:a.txt")).GetFullPath()));
    EXPECT_EQ("dir\\a.txt", utf8(CZipPathComponent(zipText("C:\\dir\\a.txt")).GetNoDrive()));
    EXPECT_EQ("\\\\?\\UNC\\server\\share", utf8(CZipPathComponent(zipText("\\\\?\\UNC\\server\\share\\a")).GetFilePath()));
}

TEST(ZipPathComponent, LongPathsKeepEveryField) {
    const std::string folder(3000, 'd');
    const CZipPathComponent path(zipText("/" + folder + "/" + std::string(300, 'n') + ".txt"));
    EXPECT_EQ(300u, path.GetFileTitle().size());
    EXPECT_EQ("txt", utf8(path.GetFileExt()));
}

TEST(ZipPathComponent, SeparatorHelpers) {
    CZipString text = zipText("C:\\dir\\/");
    CZipPathComponent::AppendSeparator(text);
    EXPECT_EQ("C:\\dir\\", utf8(text));
    text.Clear();
    CZipPathComponent::AppendSeparator(text);
    EXPECT_EQ("\\", utf8(text));
    text = zipText("\\\\server/x");
    CZipPathComponent::RemoveSeparatorsLeft(text);
    EXPECT_EQ("server/x", utf8(text));
    text = zipText("a/b\\/");
    CZipPathComponent::RemoveSeparators(text);
    EXPECT_EQ("a/b", utf8(text));
}

TEST(ZipString, PrintfCutsAt7167Characters) {
    CZipString text;
    text.Printf(ZIPTEXT("file%u"), 4u);
    EXPECT_EQ("file4", utf8(text));
    const CZipString longText(9000, ZIPTEXT('x'));
    text.Printf(ZIPTEXT("%s"), longText.c_str());
    EXPECT_EQ(7167u, text.size());
}

TEST(ZipString, StripsAndCompares) {
    CZipString text = zipText("..abc..");
    text.StripLeading(ZIPTEXT('.'));
    text.StripTrailing(ZIPTEXT("."));
    EXPECT_EQ("abc", utf8(text));
    text = zipText("...");
    text.StripTrailing(ZIPTEXT("."));
    EXPECT_TRUE(text.empty());

    EXPECT_EQ(0, CompareCollatedNoCase(zipText("Doc.XML"), zipText("doc.xml")));
    EXPECT_NE(0, CompareCollated(zipText("Doc.XML"), zipText("doc.xml")));
    EXPECT_EQ(0, CompareCollatedNoCase(zipText("ŽLUŤOUČKÝ"), zipText("žluťoučký")));
    EXPECT_LT(CompareCollated(zipText("a"), zipText("b")), 0);
}

TEST(ZipException, KeepsCodeFileAndSystemError) {
    try {
        CZipException::Throw(CZipException::badArchive, zipText("a.zip"));
    } catch (const CZipException& e) {
        const CZipException copy(e);
        EXPECT_EQ(101, copy.GetCode());
        EXPECT_EQ("a.zip", utf8(copy.GetFileName()));
        EXPECT_STREQ(std::exception().what(), copy.what());
        return;
    }
    FAIL() << "nothing thrown";
}

TEST(ZipSystem, TemporaryFilesAndModificationTimes) {
    testkit::PlatformRoot root;
    const CZipString temp = ZipSystem::MakeTempFileName(nullptr, 0);
    ASSERT_FALSE(temp.empty());
    const std::filesystem::path made = platform::paths::fromWindows(platform::text::fromUtf8(utf8(temp)));
    EXPECT_TRUE(std::filesystem::is_regular_file(made));
    EXPECT_EQ(0u, std::filesystem::file_size(made));
    EXPECT_EQ(0u, made.filename().string().rfind("ZAR", 0));
    // No folder has room for more than any disk holds: no file is made.
    const CZipString elsewhere = ZipSystem::MakeTempFileName(ziptest::zipPath(root.path()).c_str(), ~0ull >> 1);
    EXPECT_TRUE(elsewhere.empty());

    const CZipString file = ziptest::zipPath(root.write("timed.txt", "x"));
    ASSERT_TRUE(ZipSystem::SetFileModificationTime(file, 1700000000));
    std::int64_t time = 0;
    ASSERT_TRUE(ZipSystem::FileModificationTime(file, time));
    EXPECT_EQ(1700000000, time);
    EXPECT_FALSE(ZipSystem::FileModificationTime(ziptest::zipPath(root.path() / "missing"), time));
    EXPECT_GT(time, 1700000000);
    EXPECT_GT(ZipSystem::FreeSpaceOfDevice(ziptest::zipPath(root.path())), 0u);
    EXPECT_FALSE(ZipSystem::IsRemovableDrive(ziptest::zipPath(root.path())));
}

TEST(ZipSystem, ForceDirectoryMakesEveryParent) {
    testkit::PlatformRoot root;
    EXPECT_TRUE(ZipSystem::ForceDirectory(ziptest::zipPath(root.path() / "a" / "b" / "c") + ZIPTEXT("\\")));
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "a" / "b" / "c"));
    root.write("file", "x");
    EXPECT_FALSE(ZipSystem::ForceDirectory(ziptest::zipPath(root.path() / "file" / "sub")));
    ZIP_SIZE_TYPE length = 0;
    EXPECT_TRUE(ZipSystem::GetFileLength(ziptest::zipPath(root.path() / "file"), length));
    EXPECT_EQ(1u, length);
    EXPECT_FALSE(ZipSystem::GetFileLength(ziptest::zipPath(root.path() / "none"), length));
}

TEST(ZipSystem, ConvertsBetweenOemAndAnsi) {
    CZipAutoBuffer buffer(1);
    buffer.GetBuffer()[0] = '\x81';  // u with diaeresis in code page 852
    ZipSystem::ConvertCodePage(buffer, false);
    EXPECT_EQ('\xFC', buffer.GetBuffer()[0]);  // the same letter in Windows-1250
    ZipSystem::ConvertCodePage(buffer, true);
    EXPECT_EQ('\x81', buffer.GetBuffer()[0]);
    CZipAutoBuffer empty;
    ZipSystem::ConvertCodePage(empty, true);
    EXPECT_FALSE(empty.IsAllocated());
}

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lumvar/folder_operations.h"
#include "lumvar/log_writer.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "testkit/bounded_run.h"
#include "testkit/platform_root.h"
#include "win32/files.h"
#include "win32/sync.h"

namespace {

namespace fs = std::filesystem;

using platform::paths::toWide;

// A handle that keeps others from writing (or, with share 0, from opening).
class Holder {
public:
    Holder(const fs::path& file, DWORD share)
        : m_h(CreateFileW(toWide(file).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Holder() { CloseHandle(m_h); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool valid() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

TEST(CopyDir, CopiesTheWholeTreeAndOverwrites) {
    testkit::PlatformRoot root;
    root.write("prog/a.dll", "A");
    root.write("prog/sub/deeper/b.txt", "B");
    fs::create_directories(root.path() / "prog/empty");
    root.write("backup/a.dll", "old");
    EXPECT_EQ(lumvar::CopyResult::Copied,
              lumvar::CopyDir(toWide(root.path() / "prog"), toWide(root.path() / "backup") + u"\\"));
    EXPECT_EQ("A", root.read("backup/a.dll"));
    EXPECT_EQ("B", root.read("backup/sub/deeper/b.txt"));
    EXPECT_TRUE(fs::is_directory(root.path() / "backup/empty"));
    EXPECT_EQ(lumvar::CopyResult::Failed,
              lumvar::CopyDir(toWide(root.path() / "missing"), toWide(root.path() / "backup")));
}

// Links into the tree and out of it stop the copy at once: nothing outside
// is copied, and two links back to the top do not copy it without end.
TEST(CopyDir, ALinkStopsTheCopyAndNothingItLeadsToIsCopied) {
    testkit::PlatformRoot root;
    root.write("prog/a.dll", "A");
    root.write("outside/secret.txt", "S");
    fs::create_directories(root.path() / "prog/sub");
    fs::create_directory_symlink("..", root.path() / "prog/sub/x");
    fs::create_directory_symlink("..", root.path() / "prog/sub/y");
    fs::create_directory_symlink(root.path() / "outside", root.path() / "prog/venku");
    fs::create_directories(root.path() / "backup");
    const auto run = testkit::RunBounded([&] {
        return lumvar::CopyDir(toWide(root.path() / "prog"), toWide(root.path() / "backup")) ==
                       lumvar::CopyResult::LinkFound
                   ? 0
                   : 1;
    }, 512, 10);
    EXPECT_TRUE(testkit::RefusedQuickly(run));
    std::uintmax_t copied = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root.path() / "backup")) {
        EXPECT_FALSE(entry.is_symlink()) << entry.path();
        EXPECT_NE("secret.txt", entry.path().filename()) << entry.path();
        if (entry.is_regular_file()) copied += entry.file_size();
    }
    EXPECT_LE(copied, 1u);
    EXPECT_EQ("A", root.read("prog/a.dll"));
}

TEST(CopyDir, AFailedCopyCountsOnlyWhenBothDigestsAreEqual) {
    testkit::PlatformRoot root;
    root.write("prog/same.dll", "same");
    root.write("backup/same.dll", "same");
    {
        // The destination cannot be written but already holds the content.
        Holder busy(root.path() / "backup/same.dll", FILE_SHARE_READ);
        ASSERT_TRUE(busy.valid());
        EXPECT_EQ(lumvar::CopyResult::Copied,
                  lumvar::CopyDir(toWide(root.path() / "prog"), toWide(root.path() / "backup")));
    }
    root.write("prog/same.dll", "newer");
    {
        Holder busy(root.path() / "backup/same.dll", FILE_SHARE_READ);
        EXPECT_EQ(lumvar::CopyResult::Failed,
                  lumvar::CopyDir(toWide(root.path() / "prog"), toWide(root.path() / "backup")));
        EXPECT_EQ("same", root.read("backup/same.dll"));
    }
    {
        // Neither side can be read: no digest proves the copy, so it failed.
        root.write("prog/same.dll", "same");
        Holder source(root.path() / "prog/same.dll", 0);
        Holder destination(root.path() / "backup/same.dll", 0);
        ASSERT_TRUE(source.valid() && destination.valid());
        EXPECT_EQ(lumvar::CopyResult::Failed,
                  lumvar::CopyDir(toWide(root.path() / "prog"), toWide(root.path() / "backup")));
    }
}

TEST(DeleteDirectory, RemovesTheTreeButNothingALinkPointsTo) {
    testkit::PlatformRoot root;
    root.write("area/update/a.dll", "A");
    root.write("area/update/sub/b.dll", "B");
    root.write("outside/keep.txt", "K");
    fs::create_directory_symlink(root.path() / "outside", root.path() / "area/update/sub/link");
    EXPECT_TRUE(lumvar::DeleteDirectory(toWide(root.path() / "area/update") + u"\\"));
    EXPECT_FALSE(fs::exists(root.path() / "area/update"));
    EXPECT_TRUE(fs::exists(root.path() / "area"));
    EXPECT_EQ("K", root.read("outside/keep.txt"));

    // A folder that is not there, or holds a file in use, is a logged failure.
    lumvar::log::setLevel(3);
    lumvar::log::clear();
    const std::u16string missing = toWide(root.path() / "area/update");
    EXPECT_FALSE(lumvar::DeleteDirectory(missing));
    const std::u16string logged = lumvar::log::text(false);
    EXPECT_NE(std::u16string::npos, logged.find(u"DEBUG")) << platform::text::toUtf8(logged);
    EXPECT_NE(std::u16string::npos, logged.find(u"DeleteDirectory: pszFrom = " + missing + u"\n"));
    EXPECT_NE(std::u16string::npos, logged.find(u"ERROR")) << platform::text::toUtf8(logged);
    EXPECT_NE(std::u16string::npos, logged.find(u"SHFileOperation returns 2\n"));
    root.write("area/busy/in_use.dll", "U");
    {
        Holder busy(root.path() / "area/busy/in_use.dll", FILE_SHARE_READ);
        ASSERT_TRUE(busy.valid());
        EXPECT_FALSE(lumvar::DeleteDirectory(toWide(root.path() / "area/busy")));
    }
    EXPECT_EQ("U", root.read("area/busy/in_use.dll"));
    lumvar::log::setLevel(0);
}

}  // namespace

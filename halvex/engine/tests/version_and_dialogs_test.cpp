// The program's version read from its own version block, the request-file
// dialog answered through the script backend, and object labels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "halvex/files_and_paths.h"
#include "halvex/request_file_dialog.h"
#include "halvex/request_object_label.h"
#include "halvex/version_info.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "win32/commdlg.h"

namespace script = platform::ui::script;

namespace {

// The script backend with no answers left over, for one test.
struct ScopedUi {
    ScopedUi() {
        setenv("PLATFORM_UI", "script", 1);
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    ~ScopedUi() {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
};

TEST(ProgramVersion, FileVersionComesFromTheProgramsOwnBlock) {
    EXPECT_EQ(u"2.7.0.31", halvex::GetFileVersionString(u"FileVersion"));
    const auto numbers = halvex::GetFileVersionNumbers();
    EXPECT_EQ(2u, numbers.part[0]);
    EXPECT_EQ(7u, numbers.part[1]);
    EXPECT_EQ(0u, numbers.part[2]);
    EXPECT_EQ(31u, numbers.part[3]);
    EXPECT_EQ(u"", halvex::GetFileVersionString(u"CompanyName"));

    testkit::PlatformRoot root;
    const auto text = platform::text::fromUtf8(root.write("readme.txt", "1.0").string());
    EXPECT_EQ(u"", halvex::GetFileVersionString(text, u"FileVersion")) << "a file without a block";
}

// It starts in the folder of the file chosen before, else in the user's
// Documents, never where the program happens to run.
TEST(RequestFileDialog, OffersRequestFilesFromTheDocumentsOrTheFolderChosenBefore) {
    ScopedUi ui;
    testkit::PlatformRoot root;
    const auto request = root.write("Žádosti/obnova.req", "x").string();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(root.path());
    script::queue("OpenFile", request, "(*.req)");
    std::u16string path;
    const bool chosen = halvex::OpenRequestFileDialog(nullptr, path);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(platform::text::fromUtf8(request), path);
    script::queue("OpenFile", "IDCANCEL");
    EXPECT_FALSE(halvex::OpenRequestFileDialog(nullptr, path));
    EXPECT_EQ(0u, CommDlgExtendedError());
    std::filesystem::current_path(previous);

    ASSERT_EQ(2u, script::transcript().size());
    const std::string documents = platform::paths::personalFolder().string();
    EXPECT_NE(std::string::npos, script::transcript()[0].find(": " + documents + ": ")) << script::transcript()[0];
    EXPECT_NE(std::string::npos, script::transcript()[1].find(": " + (root.path() / "Žádosti").string() + ": "))
        << script::transcript()[1];
}

TEST(RequestObjectLabel, KindKeyAndLocalTimeStamp) {
    setenv("TZ", "Europe/Prague", 1);
    tzset();
    // 2024-03-05 07:08:09 UTC, 08:08:09 in Prague.
    platform::clock::setForTests(platform::clock::kUnixEpochAsFileTime + 1709622489000ull * 10000ull);
    EXPECT_EQ(u"PARVELQD 05/03/2024 08:08:09", halvex::RequestObjectLabel(true, false, false));
    EXPECT_EQ(u"PARVELSD 05/03/2024 08:08:09", halvex::RequestObjectLabel(true, false, true));
    EXPECT_EQ(u"PARVEL 05/03/2024 08:08:09", halvex::RequestObjectLabel(true, true, true));
    EXPECT_EQ(u"Objekt 05/03/2024 08:08:09", halvex::RequestObjectLabel(false, false, true));
    platform::clock::setForTests(std::nullopt);
}

}  // namespace

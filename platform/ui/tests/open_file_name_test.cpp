// GetOpenFileNameW through the script backend: the chosen path comes back
// in the caller's buffers with its name and extension offsets; a cancel is
// FALSE with no dialog error; a path the flags forbid is not accepted; bad
// requests and short buffers fail with their dialog error codes.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "testkit/platform_root.h"
#include "win32/commdlg.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

class OpenFileName : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = u"Certificate Request (*.req)\0*.req\0All\0*.*\0";
        ofn.nFilterIndex = 2;
        ofn.lpstrFile = file;
        ofn.nMaxFile = 260;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = 64;
        ofn.lpstrInitialDir = folder.c_str();
        ofn.lpstrTitle = u"Načíst žádost";
        ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    }
    void TearDown() override {
        script::clear();
        ui::setBackend(nullptr);
    }
    ScopedEnv setting{"PLATFORM_UI", "script"};
    testkit::PlatformRoot root;
    std::u16string folder = root.path().u16string();
    std::string request = root.write("žádosti/obnova.req", "x").string();
    WCHAR file[260] = {};
    WCHAR title[64] = {};
    OPENFILENAMEW ofn{};
};

TEST_F(OpenFileName, TheChosenFileComesBackAndACancelIsNoError) {
    script::queue("OpenFile", request, "(*.req) (*.req) All (*.*)");
    ASSERT_TRUE(GetOpenFileNameW(&ofn)) << CommDlgExtendedError();
    EXPECT_EQ(0u, CommDlgExtendedError());
    const std::u16string path = file;
    EXPECT_EQ(platform::text::fromUtf8(request), path);
    EXPECT_EQ(u"obnova.req", path.substr(ofn.nFileOffset));
    EXPECT_EQ(u"req", path.substr(ofn.nFileExtension));
    EXPECT_EQ(std::u16string(u"obnova.req"), title);
    const auto asked = script::transcript().back();
    EXPECT_NE(std::string::npos, asked.find("Načíst žádost: " + root.path().string())) << asked;

    script::queue("OpenFile", "IDCANCEL");
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(0u, CommDlgExtendedError());
    EXPECT_EQ(0u, script::pending());
}

TEST_F(OpenFileName, APathTheFlagsForbidIsNotTaken) {
    std::string refused;
    script::onUnanswered([&](const std::string& question) {
        refused = question;
        return 0;
    });
    const std::string missing = (root.path() / "žádosti/jiná.req").string();
    script::queue("OpenFile", missing);
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_NE(std::string::npos, refused.find("OpenFile")) << refused;
    EXPECT_EQ(0u, CommDlgExtendedError()) << "the user chose nothing";

    // Without OFN_FILEMUSTEXIST a new name in an existing folder is fine,
    // one in a missing folder is not while OFN_PATHMUSTEXIST holds.
    ofn.Flags = OFN_PATHMUSTEXIST;
    script::queue("OpenFile", missing);
    EXPECT_TRUE(GetOpenFileNameW(&ofn));
    refused.clear();
    script::queue("OpenFile", (root.path() / "nikde/jiná.req").string());
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_FALSE(refused.empty());
}

TEST_F(OpenFileName, BadRequestsAndShortBuffersFailWithTheirCodes) {
    ofn.nMaxFile = 8;
    script::queue("OpenFile", request);
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(FNERR_BUFFERTOOSMALL, CommDlgExtendedError());
    EXPECT_EQ(platform::text::fromUtf8(request).size() + 1, static_cast<std::size_t>(file[0]));

    ofn.nMaxFile = 260;
    ofn.Flags |= OFN_ALLOWMULTISELECT;
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(CDERR_INITIALIZATION, CommDlgExtendedError());
    ofn.Flags &= ~OFN_ALLOWMULTISELECT;
    ofn.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameW(&ofn));
    EXPECT_EQ(CDERR_STRUCTSIZE, CommDlgExtendedError());
    EXPECT_EQ(0u, script::pending()) << "no question was asked for a bad request";
}

}  // namespace

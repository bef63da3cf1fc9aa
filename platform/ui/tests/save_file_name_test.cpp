// GetSaveFileNameW through the script backend: the dialog starts where the
// caller proposes with its filters; a name without an extension gets the
// default one; an existing file is replaced only after a Yes, a No asking
// again; a short buffer and a cancel fail as the caller expects.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "testkit/platform_root.h"
#include "save_file_request.h"
#include "win32/commdlg.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

class SaveFileName : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
        ofn.nFilterIndex = 2;
        propose(u"req_20261209101500_qc");
    }
    void TearDown() override {
        script::clear();
        ui::setBackend(nullptr);
    }
    void propose(const std::u16string& name) { file[name.copy(file, 259)] = u'\0'; }
    std::string chosen() const { return platform::text::toUtf8(file); }

    ScopedEnv setting{"PLATFORM_UI", "script"};
    testkit::PlatformRoot root;
    std::u16string folder = root.path().u16string();
    WCHAR file[260] = {};
    OPENFILENAMEW ofn = requestSaveRequest(file, folder);
};

TEST_F(SaveFileName, TheProposedNameAndFiltersAreShownAndTheDefaultExtensionIsAdded) {
    const std::string here = root.path().string();
    script::queue("SaveFile", "obnova", "(*.req) (*.req) Všechny soubory (*.*) (*.*)*");
    ASSERT_TRUE(GetSaveFileNameW(&ofn)) << CommDlgExtendedError();
    EXPECT_EQ("SaveFile: Uložit jako: " + here + ": req_20261209101500_qc: Žádost v Kyd (*.req) (*.req) Všechny soubory (*.*) (*.*)*",
              script::transcript().back());
    const std::u16string path = file;
    EXPECT_EQ((root.path() / "obnova.req").string(), chosen());
    EXPECT_EQ(u"obnova.req", path.substr(ofn.nFileOffset));
    EXPECT_EQ(u"req", path.substr(ofn.nFileExtension));

    // A name with an extension keeps it; a proposed path gives the folder
    // the dialog starts in, and index 0 shows the first filter.
    root.write("jinde/x", "");
    propose((root.path() / "jinde/req_1_sak").u16string());
    ofn.nFilterIndex = 0;
    ofn.lpstrTitle = u"Uložit žádost";
    script::queue("SaveFile", "obnova.txt", "Uložit žádost: " + here + "/jinde: req_1_sak: Žádost v Kyd (*.req) (*.req)*");
    ASSERT_TRUE(GetSaveFileNameW(&ofn)) << CommDlgExtendedError();
    EXPECT_EQ((root.path() / "jinde/obnova.txt").string(), chosen());
    EXPECT_EQ(0u, script::pending());
}

TEST_F(SaveFileName, AnExistingFileIsReplacedOnlyAfterYesAndNoAsksAgain) {
    const auto existing = root.write("obnova.req", "stará žádost");
    script::queue("SaveFile", "obnova");
    script::queue("MessageBox", "IDNO", "obnova.req již existuje");
    script::queue("SaveFile", existing.string());
    script::queue("MessageBox", "IDYES");
    ASSERT_TRUE(GetSaveFileNameW(&ofn)) << CommDlgExtendedError();
    EXPECT_EQ(existing.string(), chosen());
    EXPECT_EQ(0u, script::pending());
    EXPECT_EQ(4u, script::transcript().size());

    // A new name asks nothing; nor does an existing one without the flag.
    script::clear();
    script::queue("SaveFile", "nová");
    ASSERT_TRUE(GetSaveFileNameW(&ofn));
    EXPECT_EQ((root.path() / "nová.req").string(), chosen());
    ofn.Flags &= ~OFN_OVERWRITEPROMPT;
    script::queue("SaveFile", "obnova");
    ASSERT_TRUE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(existing.string(), chosen());
    EXPECT_EQ(2u, script::transcript().size());
}

TEST_F(SaveFileName, AShortBufferFailsWithTheSizeNeededAndACancelIsNoError) {
    // The proposed name is read no further than the buffer's size.
    std::fill(std::begin(file), std::end(file), u'x');
    ofn.nMaxFile = 8;
    script::queue("SaveFile", "dlouhé_jméno", ": xxxxxxxx:");
    EXPECT_FALSE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(FNERR_BUFFERTOOSMALL, CommDlgExtendedError());
    const auto needed = platform::text::fromUtf8((root.path() / "dlouhé_jméno.req").string()).size() + 1;
    EXPECT_EQ(needed, static_cast<std::size_t>(file[0]));

    ofn.nMaxFile = 260;
    script::queue("SaveFile", "IDCANCEL");
    EXPECT_FALSE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(0u, CommDlgExtendedError());

    // A folder that is not there is no place to save to.
    std::string refused;
    script::onUnanswered([&](const std::string& question) {
        refused = question;
        return 0;
    });
    script::queue("SaveFile", (root.path() / "nikde/obnova").string());
    EXPECT_FALSE(GetSaveFileNameW(&ofn));
    EXPECT_EQ(0u, CommDlgExtendedError()) << "the user chose nothing";
    EXPECT_NE(std::string::npos, refused.find("SaveFile")) << refused;
}

}  // namespace

// The signing component's dialogs over their shared base, through the script
// backend: a dialog that only shows something ends with IDOK by OK and by
// the close box; the charset choice gives the chosen row by OK, and the
// close box cancels it, keeping the row it started with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mime_enc_dlg.h"
#include "platform/ui.h"
#include "select_charset_dlg.h"
#include "signer_kyd.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

class SigningDialog : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        platform::ui::setBackend(nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        platform::ui::setBackend(nullptr);
    }

    testkit::PlatformRoot root;
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    const ScopedEnv modules{"PLATFORM_MODULE_PATH", TESK_RICHED32_DIR};
    TSignerKyd signer;  // the message table the dialogs take their texts from
};

TEST_F(SigningDialog, ShownTextEndsWithOkByOkAndByTheCloseBox) {
    script::queue("Dialog", "press:1");
    script::queue("Dialog", "close");
    EXPECT_EQ(IDOK, TMimeEncDlg("Content-Type: text/plain").Show(nullptr));
    EXPECT_EQ(IDOK, TMimeEncDlg("Content-Type: text/plain").Show(nullptr));
    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("Content-Type: text/plain")) << lines[0];
}

TEST_F(SigningDialog, CharsetChoiceGivesTheChosenRowOrIsCancelledByTheCloseBox) {
    const std::vector<std::string> names{"UTF-8", "cp852", "windows-1250"};
    script::queue("Dialog", "select:256:2");
    script::queue("Dialog", "press:1");
    TSelectCharsetDlg chosen(names, 0);
    EXPECT_EQ(IDOK, chosen.Show(nullptr));
    EXPECT_EQ(2, chosen.Selected());

    script::queue("Dialog", "select:256:2");
    script::queue("Dialog", "close");
    TSelectCharsetDlg cancelled(names, 1);
    EXPECT_EQ(IDCANCEL, cancelled.Show(nullptr));
    EXPECT_EQ(1, cancelled.Selected());
}

}  // namespace

// Modeless dialogs and the text view through the script backend: a
// modeless dialog asks nothing, is listed when shown and when destroyed,
// and its procedure sees its start and its end; the text view keeps its
// text whole and refuses a zoom outside its range; printing and the beep
// leave their lines.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/dialogs.h"
#include "win32/error.h"
#include "win32/resources.h"
#include "win32/text_view.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

constexpr int kDialogId = 310;
constexpr int kText = 20;
constexpr int kView = 21;
HINSTANCE const kModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7100});

std::vector<UINT> g_seen;

INT_PTR procedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG || message == WM_DESTROY || message == WM_NCDESTROY) g_seen.push_back(message);
    if (message == WM_INITDIALOG) SetDlgItemTextA(dialog, kText, reinterpret_cast<const char*>(lParam));
    return message == WM_INITDIALOG;
}

class ModelessAndTextView : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
        g_seen.clear();
        ui::declareDialogTemplate(kModule, {kDialogId, 200, 100, "MS Sans Serif", 8, "",
                                            {{kText, ui::ControlKind::Static, "", 3, 4, 190, 10},
                                             {kView, ui::ControlKind::TextView, "", 3, 20, 190, 70}}});
    }
    void TearDown() override {
        EXPECT_EQ(0u, script::pending());
        script::clear();
        ui::setBackend(nullptr);
    }

    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
};

TEST_F(ModelessAndTextView, AModelessDialogIsShownWithoutAQuestionUntilDestroyed) {
    const HWND dialog = CreateDialogParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, procedure,
                                           reinterpret_cast<LPARAM>("Pracuji..."));
    ASSERT_NE(nullptr, dialog) << GetLastError();
    EXPECT_EQ(std::vector<UINT>{WM_INITDIALOG}, g_seen);
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_EQ((std::vector<UINT>{WM_INITDIALOG, WM_DESTROY, WM_NCDESTROY}), g_seen);
    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("Dialog 310:  | 20 static \"Pracuji...\" | 21 textview \"\" zoom 100", lines[0]);
    EXPECT_EQ("Dialog 310 destroyed", lines[1]);

    // Gone: its handle and the template no module declared are refused.
    EXPECT_FALSE(DestroyWindow(dialog));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ(nullptr, CreateDialogParamA(kModule, MAKEINTRESOURCEA(kDialogId + 1), nullptr, procedure, 0));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
}

TEST_F(ModelessAndTextView, TheViewKeepsItsTextAndZoomWithinRangeAndPrintsAsAnswered) {
    const HWND dialog = CreateDialogParamA(kModule, MAKEINTRESOURCEA(kDialogId), nullptr, procedure,
                                           reinterpret_cast<LPARAM>(""));
    ASSERT_NE(nullptr, dialog);
    const HWND view = GetDlgItem(dialog, kView);
    EXPECT_TRUE(SetWindowTextW(view, reinterpret_cast<LPCWSTR>(u"<b>ne</b> \u2400 tučně")));
    EXPECT_EQ(TRUE, SendMessageW(view, TXM_SETZOOM, 400, 0));
    EXPECT_EQ(FALSE, SendMessageW(view, TXM_SETZOOM, 401, 0));
    EXPECT_EQ(FALSE, SendMessageW(view, TXM_SETZOOM, 9, 0));
    EXPECT_EQ(400, SendMessageW(view, TXM_GETZOOM, 0, 0));
    char16_t text[64] = {};
    SendMessageW(view, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(u"<b>ne</b> \u2400 tučně"), text) << "the text stays as given, markup and all";

    script::queue("Print", "3", "Print: Dokument");
    script::queue("Print", "IDCANCEL");
    EXPECT_EQ(3, SendMessageA(view, TXM_PRINT, 0, reinterpret_cast<LPARAM>("Dokument")));
    EXPECT_EQ(0, SendMessageW(view, TXM_PRINT, 0, reinterpret_cast<LPARAM>(u"Dokument")));
    EXPECT_EQ(ERROR_SUCCESS, GetLastError()) << "a cancel is no failure";
    EXPECT_TRUE(MessageBeep(MB_ICONHAND));
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_THROW(script::queue("Print", "0"), std::invalid_argument);

    const auto lines = script::transcript();
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ("Dialog 310 21 \"<b>ne</b> \u2400 tučně\"", lines[1]) << "the shown dialog's new text";
    EXPECT_EQ("Print: Dokument", lines[2]);
    EXPECT_EQ("Print job Dokument: 3 copies", lines[3]);
    EXPECT_EQ("Print: Dokument", lines[4]);
    EXPECT_EQ("MessageBeep 16", lines[5]);
}

}  // namespace

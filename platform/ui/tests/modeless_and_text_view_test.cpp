// Modeless dialogs and the text view through the script backend: a
// modeless dialog asks nothing, is listed when shown and when destroyed,
// and its procedure sees its start and its end; a control of a class the
// program registered gets its messages and its timer and is listed by its
// look; the text view keeps its text whole and refuses a zoom outside its
// range; printing and the beep leave their lines.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/control_classes.h"
#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include <testkit/scoped_env.h>
#include "win32/dialogs.h"
#include "win32/error.h"
#include "win32/messages.h"
#include "win32/resources.h"
#include "win32/text_view.h"
#include "win32/ui.h"

namespace ui = platform::ui;
namespace script = platform::ui::script;

namespace {

constexpr int kViewDialogId = 310;
constexpr int kViewText = 20;
constexpr int kView = 21;
HINSTANCE const kViewModule = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x7100});

std::vector<UINT> g_seen;

INT_PTR viewProcedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG || message == WM_DESTROY || message == WM_NCDESTROY) g_seen.push_back(message);
    if (message == WM_INITDIALOG) SetDlgItemTextA(dialog, kViewText, reinterpret_cast<const char*>(lParam));
    return message == WM_INITDIALOG;
}

// A control class whose look is the last thing it was told: its window
// text, or "tick" at its timer.
constexpr int kCustomDialogId = 311;
constexpr int kCustom = 22;
std::vector<std::string> g_custom;

std::optional<LRESULT> customProcedure(HWND control, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_CREATE) g_custom.push_back("create " + reinterpret_cast<const ui::ControlTemplate*>(lParam)->text);
    if (message == WM_DESTROY) g_custom.push_back("destroy");
    if (message == WM_SETTEXT) {
        const std::u16string text(reinterpret_cast<const char16_t*>(lParam));
        ui::publishLook(control, std::make_shared<const std::string>(text.begin(), text.end()));
        return std::nullopt;
    }
    if (message == WM_TIMER) {
        KillTimer(control, 1);
        ui::publishLook(control, std::make_shared<const std::string>("tick"));
    }
    if (message == WM_USER + 1) return 42;
    return std::nullopt;
}

std::string describeCustom(const std::shared_ptr<const void>& look) {
    return look ? *static_cast<const std::string*>(look.get()) : std::string("nothing yet");
}

INT_PTR customDialogProcedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        g_custom.push_back("init");
        SetDlgItemTextA(dialog, kCustom, "Pracuji");
    }
    if (message == WM_DESTROY) g_custom.push_back("dialog destroy");
    return message == WM_INITDIALOG;
}

class ModelessAndTextView : public ::testing::Test {
protected:
    void SetUp() override {
        script::clear();
        ui::setBackend(nullptr);
        g_seen.clear();
        ui::declareDialogTemplate(kViewModule, {kViewDialogId, 200, 100, "MS Sans Serif", 8, "",
                                                {{kViewText, ui::ControlKind::Static, "", 3, 4, 190, 10},
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
    const HWND dialog = CreateDialogParamA(kViewModule, MAKEINTRESOURCEA(kViewDialogId), nullptr, viewProcedure,
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
    EXPECT_EQ(nullptr, CreateDialogParamA(kViewModule, MAKEINTRESOURCEA(kViewDialogId + 1), nullptr, viewProcedure, 0));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
}

TEST_F(ModelessAndTextView, AControlOfARegisteredClassAnswersItsMessagesAndIsListedByItsLook) {
    const ui::DialogTemplate custom{kCustomDialogId, 200, 40, "MS Sans Serif", 8, "",
                                    {{kCustom, ui::ControlKind::Custom, "at first", 3, 4, 190, 10, 0, "TeskTestClass"}}};
    ui::declareDialogTemplate(kViewModule, custom);
    g_custom.clear();
    // Not registered yet: no dialog.
    EXPECT_EQ(nullptr,
              CreateDialogParamA(kViewModule, MAKEINTRESOURCEA(kCustomDialogId), nullptr, customDialogProcedure, 0));
    EXPECT_EQ(ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
    EXPECT_TRUE(g_custom.empty());

    ui::registerControlClass("TeskTestClass", customProcedure, {nullptr, nullptr, describeCustom});
    const HWND dialog =
        CreateDialogParamA(kViewModule, MAKEINTRESOURCEA(kCustomDialogId), nullptr, customDialogProcedure, 0);
    ASSERT_NE(nullptr, dialog) << GetLastError();
    // The ANSI text reached the class as UTF-16; the layer keeps it as the window text.
    EXPECT_EQ(42, SendDlgItemMessageW(dialog, kCustom, WM_USER + 1, 0, 0));
    char text[32] = {};
    EXPECT_EQ(7u, GetDlgItemTextA(dialog, kCustom, text, sizeof text));
    EXPECT_STREQ("Pracuji", text);
    // The control's timer ticks on the dialog's thread.
    ASSERT_NE(0u, SetTimer(GetDlgItem(dialog, kCustom), 1, 10, nullptr));
    MSG message;
    ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));
    EXPECT_EQ(WM_TIMER, message.message);
    DispatchMessageW(&message);
    EXPECT_TRUE(DestroyWindow(dialog));
    EXPECT_EQ((std::vector<std::string>{"create at first", "init", "dialog destroy", "destroy"}), g_custom);
    EXPECT_EQ((std::vector<std::string>{"Dialog 311:  | 22 TeskTestClass \"Pracuji\"", "Dialog 311 22 \"tick\"",
                                        "Dialog 311 destroyed"}),
              script::transcript());
}

TEST_F(ModelessAndTextView, TheViewKeepsItsTextAndZoomWithinRangeAndPrintsAsAnswered) {
    const HWND dialog = CreateDialogParamA(kViewModule, MAKEINTRESOURCEA(kViewDialogId), nullptr, viewProcedure,
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

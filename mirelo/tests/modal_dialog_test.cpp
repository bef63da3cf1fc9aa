// The component's modal dialog base: the object gets its window's messages
// from the first one on, fills a drop-down list from the template's
// initialisation data (stopping at a record that overruns it), centres
// itself on the work area, and learns of its window's final message once.
#include <gtest/gtest.h>

#include <string>

#include "modal_dialog.h"
#include "platform/dialog_templates.h"
#include "platform/ui.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace {

namespace script = platform::ui::script;

constexpr int kTemplateId = 301;  // its data: "alfa", "beta", then a record longer than the data
constexpr int kList = 11;

class ListDialog : public TModalDialog {
public:
    BOOL ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result, DWORD) override {
        if (message == WM_INITDIALOG) {
            initialisedWith = m_hWnd;
            ApplyDialogInitData(m_hWnd, ModuleInstance(), kTemplateId);
            CenterDialog(m_hWnd);
            GetWindowRect(m_hWnd, &placed);
            result = TRUE;
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
            EndDialog(m_hWnd, 40 + SendDlgItemMessageA(m_hWnd, kList, CB_GETCURSEL, 0, 0));
            return TRUE;
        }
        return FALSE;
    }
    void OnFinalMessage(HWND window) override {
        ++finalMessages;
        finalWindow = window;
    }

    HWND initialisedWith = nullptr;
    RECT placed{};
    int finalMessages = 0;
    HWND finalWindow = nullptr;
};

TEST(ModalDialog, RunsBoundToItsWindowFillsItsListCentresItselfAndEndsOnce) {
    using K = platform::ui::ControlKind;
    platform::ui::declareDialogTemplate(TModalDialog::ModuleInstance(),
                                        {kTemplateId, 200, 100, "MS Shell Dlg", 8, "Seznam",
                                         {{kList, K::DropDownList, "", 10, 10, 100, 60},
                                          {IDCANCEL, K::Button, "Storno", 140, 80, 50, 14}}});
    const ScopedEnv ui{"PLATFORM_UI", "script"};
    script::clear();
    platform::ui::setBackend(nullptr);
    script::queue("Dialog", "select:11:1");
    script::queue("Dialog", "close");

    ListDialog dialog;
    EXPECT_EQ(41, dialog.DoModal(nullptr, kTemplateId));

    const auto lines = script::transcript();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("11 dropdown \"\" [\"alfa\", \"beta\"] sel -1")) << lines[0];
    // 200 x 100 dialog units are 300 x 162 pixels, centred on the 1280 x 984 work area.
    EXPECT_EQ(490, dialog.placed.left);
    EXPECT_EQ(411, dialog.placed.top);
    EXPECT_EQ(790, dialog.placed.right);
    EXPECT_EQ(1, dialog.finalMessages);
    EXPECT_NE(nullptr, dialog.initialisedWith);
    EXPECT_EQ(dialog.initialisedWith, dialog.finalWindow);
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(0u, script::pending());
    script::clear();
    platform::ui::setBackend(nullptr);
}

}  // namespace

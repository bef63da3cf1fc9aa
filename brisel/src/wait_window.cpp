#include "wait_window.h"

#include <string>

#include "platform/dialog_templates.h"
#include "platform/modules.h"
#include "platform/text.h"
#include "win32/dialogs.h"
#include "win32/resources.h"

namespace brisel {

namespace {

constexpr int kWaitDialog = 4001;
constexpr int kWaitText = 4007;

platform::ui::DialogTemplate waitTemplate() {
    return {kWaitDialog, 214, 28, "MS Sans Serif", 8, "",
            {{kWaitText, platform::ui::ControlKind::Static, "", 3, 4, 206, 20}}};
}

// lParam: the text, UTF-16.
INT_PTR waitProcedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    SetDlgItemTextW(dialog, kWaitText, reinterpret_cast<LPCWSTR>(lParam));
    return TRUE;
}

}  // namespace

WaitWindow::WaitWindow(std::string_view text) {
    const HINSTANCE module = platform::modules::thisModule();
    platform::ui::declareDialogTemplate(module, waitTemplate());
    const std::u16string wide = platform::text::fromUtf8(text);
    m_window = CreateDialogParamW(module, MAKEINTRESOURCEW(kWaitDialog), nullptr, waitProcedure,
                                  reinterpret_cast<LPARAM>(wide.c_str()));
}

WaitWindow::~WaitWindow() {
    if (m_window) DestroyWindow(m_window);
}

}  // namespace brisel

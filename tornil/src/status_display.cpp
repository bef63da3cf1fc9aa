#include "status_display.h"

#include <cstdio>
#include <string>

#include "lumvar/log_writer.h"
#include "platform/dialog_templates.h"
#include "platform/modules.h"
#include "platform/text.h"
#include "win32/dialogs.h"
#include "win32/error.h"
#include "win32/resources.h"
#include "win32/ui.h"

namespace tornil {

namespace {

using lumvar::log::Level;
using lumvar::log::write;

constexpr int kDialogId = 101;
constexpr int kOkButton = 1002;
constexpr int kTitleLine = 1003;
constexpr int kStatusLine = 1004;

platform::ui::DialogTemplate dialogTemplate() {
    using platform::ui::ControlKind;
    platform::ui::DialogTemplate dialog;
    dialog.id = kDialogId;
    dialog.cx = 290;
    dialog.cy = 61;
    dialog.font = "MS Shell Dlg";
    dialog.pointSize = 8;
    dialog.title = "Aktualizace";
    dialog.controls = {
        {kOkButton, ControlKind::DefaultButton, "OK", 233, 40, 50, 14, 0},
        {kTitleLine, ControlKind::Static, "Aktualizace probíhá...", 7, 7, 276, 8, 0},
        {kStatusLine, ControlKind::Static, "", 7, 20, 276, 16, 0},
    };
    return dialog;
}

struct DialogTexts {
    std::u16string caption;
    std::u16string title;
    std::u16string status;
};

INT_PTR dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* texts = reinterpret_cast<const DialogTexts*>(lParam);
        SetWindowTextW(dialog, texts->caption.c_str());
        SetDlgItemTextW(dialog, kTitleLine, texts->title.c_str());
        SetDlgItemTextW(dialog, kStatusLine, texts->status.c_str());
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kOkButton) {
        EndDialog(dialog, kOkButton);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void StatusDisplay::setLanguage(int language) { m_language = language; }

void StatusDisplay::show(Message message) {
    m_last = message;
    const std::u16string text = messageText(m_language, message);
    write(Level::Debug, u"Dialog captions set to %ls", text.c_str());
    std::printf("%s\n", platform::text::toUtf8(text).c_str());
    std::fflush(stdout);
}

void StatusDisplay::confirm() {
    const HINSTANCE module = platform::modules::thisModule();
    platform::ui::declareDialogTemplate(module, dialogTemplate());
    const DialogTexts texts{messageText(m_language, kCaption), messageText(m_language, kTitle),
                            messageText(m_language, m_last)};
    if (DialogBoxParamW(module, MAKEINTRESOURCEW(kDialogId), GetActiveWindow(), dialogProcedure,
                        reinterpret_cast<LPARAM>(&texts)) == -1)
        write(Level::Error, u"The dialog could not be shown: %d", static_cast<int>(GetLastError()));
}

}  // namespace tornil

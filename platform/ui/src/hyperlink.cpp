// Statics of template dialogs turned into hyperlinks (win32/hyperlink.h).
#include "win32/hyperlink.h"

#include "dialog_window.h"
#include "thread_queues.h"
#include "platform/boundary.h"
#include "platform/win_error.h"
#include "win32/error.h"

using namespace platform;
using namespace platform::ui;

BOOL ConvertStaticToHyperlink(HWND control) noexcept {
    return winBool([&] {
        bool converted = false;
        queues::runOnThread(windowOf(control).thread, [&] {
            const auto target = windowOf(control);
            if (!target.control) throw WinError(ERROR_INVALID_WINDOW_HANDLE, "a dialog, not a control");
            auto& c = target.dialog->mutableState().controls[*target.control];
            if (c.control.kind != ControlKind::Static)
                throw WinError(ERROR_INVALID_PARAMETER, "only a static becomes a hyperlink");
            c.control.style |= SS_NOTIFY;
            c.link = true;
            target.dialog->changed();
            converted = true;
        });
        return converted;
    });
}

BOOL ConvertStaticToHyperlink(HWND dialog, int controlId) noexcept {
    const HWND control = GetDlgItem(dialog, controlId);
    return control ? ConvertStaticToHyperlink(control) : FALSE;
}

#include "dialog_support.h"

#include "pentak_resource.h"
#include "platform/dialog_templates.h"
#include "platform/modules.h"

HINSTANCE DeclaredTemplate(std::once_flag& declared, const platform::ui::DialogTemplate& dialog) {
    std::call_once(declared, [&] { platform::ui::declareDialogTemplate(platform::modules::thisModule(), dialog); });
    return platform::modules::thisModule();
}

void SetItemText(HWND dialog, int control, int textId) {
    SetDlgItemTextW(dialog, control, TPentakResource::Instance()->GetString(textId).c_str());
}

void BringToFront(HWND dialog) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

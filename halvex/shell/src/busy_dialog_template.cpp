#include "busy_dialog_template.h"

#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"
#include "win32/commctrl.h"

namespace halvex {

void DeclareBusyDialogTemplate(HINSTANCE module) {
    using platform::ui::ControlKind;
    platform::ui::DialogTemplate dialog{kBusyDialogId, 214, 46, "MS Shell Dlg", 8, "", {}};
    dialog.controls = {{kBusyTextId, ControlKind::Static, "", 7, 7, 200, 12},
                       {kBusyBarId, ControlKind::ProgressBar, "", 7, 24, 200, 14, PBS_MARQUEE}};
    dialog.visible = false;
    platform::ui::declareDialogTemplate(module, dialog);
}

}  // namespace halvex

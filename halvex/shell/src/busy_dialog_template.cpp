#include "busy_dialog_template.h"

#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"

namespace halvex {

void DeclareBusyDialogTemplate(HINSTANCE module) {
    platform::ui::DialogTemplate dialog;
    dialog.id = kBusyDialogId;
    dialog.cx = 214;
    dialog.cy = 46;
    dialog.controls = {{kBusyTextId, platform::ui::ControlKind::Static, "", 7, 10, 200, 16, 0}};
    platform::ui::declareDialogTemplate(module, dialog);
}

}  // namespace halvex

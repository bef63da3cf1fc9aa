// Where a module declares its dialog templates, so that DialogBoxParam
// finds them by the module's handle and the template's id.
#pragma once

#include <memory>

#include "platform/dialog_template.h"
#include "win32/types.h"

namespace platform::ui {

// Declares a copy of the template for the module; a second declaration of
// the same id replaces the first for the dialogs made afterwards.
void declareDialogTemplate(HINSTANCE module, const DialogTemplate& dialog);

// The module's template of that id, or null.
std::shared_ptr<const DialogTemplate> findDialogTemplate(HINSTANCE module, int id);

}  // namespace platform::ui

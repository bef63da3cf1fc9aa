// What the library's dialogs share: their templates declared in this
// module, texts from the message table in the current GUI language, and
// coming to the front once shown.
#pragma once

#include <mutex>

#include "platform/dialog_template.h"
#include "win32/dialogs.h"

// This module's handle, under which the template is declared once for the
// process (DialogBoxParam finds it there).
HINSTANCE DeclaredTemplate(std::once_flag& declared, const platform::ui::DialogTemplate& dialog);

// The control's text: the message table's text of textId.
void SetItemText(HWND dialog, int control, int textId);

// Posted at the end of a dialog's start, to come to the front once shown.
inline constexpr UINT kBringToFront = WM_USER + 200;
// Made topmost and at once no longer: in front of the other windows.
void BringToFront(HWND dialog);

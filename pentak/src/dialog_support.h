// What the library's dialogs share: their templates declared in this
// module, texts from the message table in the current GUI language, and
// coming to the front once shown.
#pragma once

#include <mutex>

#include "platform/dialog_template.h"
#include "win32/dialogs.h"
#include "win32/resources.h"

// This module's handle, under which the template is declared once for the
// process (DialogBoxParam finds it there).
HINSTANCE DeclaredTemplate(std::once_flag& declared, const platform::ui::DialogTemplate& dialog);

// The control's text: the message table's text of textId.
void SetItemText(HWND dialog, int control, int textId);

// Posted at the end of a dialog's start, to come to the front once shown.
inline constexpr UINT kBringToFront = WM_USER + 200;
// Made topmost and at once no longer: in front of the other windows.
void BringToFront(HWND dialog);

// Runs a dialog object over its template, declared once: WM_INITDIALOG
// keeps the object with the dialog and calls its OnInitDialog(dialog);
// each later message goes to its OnMessage(dialog, message, wParam),
// which tells whether it handled it. A dialog class befriends this.
struct LibraryDialog {
    template <class Dialog>
    static int Run(Dialog& self, std::once_flag& declared, const platform::ui::DialogTemplate& dialog, HWND parent) {
        return static_cast<int>(DialogBoxParamW(DeclaredTemplate(declared, dialog), MAKEINTRESOURCEW(dialog.id),
                                                parent, Procedure<Dialog>, reinterpret_cast<LPARAM>(&self)));
    }

private:
    template <class Dialog>
    static INT_PTR Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            reinterpret_cast<Dialog*>(lParam)->OnInitDialog(dialog);
            return TRUE;
        }
        auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        return self && self->OnMessage(dialog, message, wParam) ? TRUE : FALSE;
    }
};

// Control classes a module brings for its template dialogs, as a Windows
// program registers window classes for its own: a template's control of
// kind Custom names its class. The messages sent or dispatched to such a
// control (its timers' WM_TIMER included) go to the class's procedure on
// the dialog's thread: WM_CREATE first, when the dialog is made (lParam:
// the control's ControlTemplate), WM_DESTROY last. Text parameters reach
// it as UTF-16, whichever call sent them. What the user sees of the
// control is what the procedure last published with publishLook: the GTK
// backend hands it to the class's widget, the script backend writes the
// class's description of it in its transcript.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/control_looks.h"
#include "win32/types.h"

namespace platform::ui {

// Nothing: the layer's own handling (window text, nothing else).
using ControlProcedure = std::optional<LRESULT> (*)(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// Registering a class again replaces it for the dialogs made afterwards.
void registerControlClass(const std::string& name, ControlProcedure procedure, const ControlLook& look);

// Called by a class's procedure, on the dialog's thread; a shown modeless
// dialog follows once the message has been handled.
void publishLook(HWND control, std::shared_ptr<const void> look);

}  // namespace platform::ui

// The text progress control as a control class of template dialogs: a
// dialog's Custom control of the class kTextProgressClass answers the
// progress bar's messages and the control's own (progress_messages.h)
// through its model, runs the marquee on a timer of its own (WM_TIMER on
// the dialog's thread), takes its window text from the template and
// WM_SETTEXT, and fills from the bottom in the style PBS_VERTICAL. GTK
// shows it painted by cairo; the script backend's transcript gives its
// text (the window text and the percentage) each time it changes.
#pragma once

namespace halvex::controls {

inline constexpr char kTextProgressClass[] = "CTextProgressCtrl";

// Before the first dialog that holds one; again is harmless.
void RegisterTextProgressClass();

}  // namespace halvex::controls

// The busy window's dialog: a centred text over a marquee bar on a popup
// without caption, hidden until shown. The wait dialog of the update step
// shows its text in it too.
#pragma once

#include "win32/types.h"

namespace halvex {

inline constexpr int kBusyDialogId = 101;
inline constexpr int kBusyTextId = 133;
inline constexpr int kBusyBarId = 134;

// Declares dialog 101 for the module (again is harmless).
void DeclareBusyDialogTemplate(HINSTANCE module);

}  // namespace halvex

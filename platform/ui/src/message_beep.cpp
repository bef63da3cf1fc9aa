// MessageBeep: the backend sounds the warning.
#include "platform/ui.h"
#include "win32/ui.h"

BOOL MessageBeep(UINT uType) noexcept {
    try {
        platform::ui::backend().beep(uType);
    } catch (...) {
        // A sound that cannot be made is no failure of the caller's.
    }
    return TRUE;
}

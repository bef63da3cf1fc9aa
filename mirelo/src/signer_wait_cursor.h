// The wait cursor for the length of a slow step (a request to a server, a
// verification that fetches revocation lists); the cursor shown before
// comes back on every exit.
#pragma once

#include "win32/ui.h"

class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

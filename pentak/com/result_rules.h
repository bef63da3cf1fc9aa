// How the Pentak object's members turn the session's outcome into an
// HRESULT. A member whose session step answers with a truth value uses
// resultOfFlag, one whose step answers with a result code resultOfCode;
// accessors of plain settings and constants always succeed.
#pragma once

#include "win32/types.h"

namespace pentak {

// 0 is S_OK. A Win32 error (up to 0xFFFF) becomes 0x8007xxxx and an
// HRESULT (the top bit set) stays as it is. Any other positive value keeps
// its bits and gains the failure bit, so that a vendor's 0x20000005 does
// not read as "access denied".
HRESULT resultOfCode(DWORD code) noexcept;

// TRUE is S_OK. FALSE gives the thread's last error by the rule above, or
// NTE_FAIL when the failing step left none.
HRESULT resultOfFlag(BOOL ok) noexcept;

}  // namespace pentak

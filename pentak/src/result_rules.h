// How the library's COM members turn a session's outcome into an HRESULT.
// A member whose session step answers with a truth value uses
// resultOfFlag, one whose step answers with a result code resultOfCode;
// accessors of plain settings and constants always succeed.
#pragma once

#include "platform/boundary.h"
#include "win32/error.h"
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

// Run a session step and give its result by the rules above. The thread's
// last error is cleared first, so that a failure reports an error the step
// itself set, not one an earlier call left behind. Nothing thrown leaves.
template <class Step>
HRESULT codeOf(Step&& step) noexcept {
    return platform::winHr([&] {
        SetLastError(0);
        return resultOfCode(step());
    });
}
template <class Step>
HRESULT flagOf(Step&& step) noexcept {
    return platform::winHr([&] {
        SetLastError(0);
        return resultOfFlag(step());
    });
}

}  // namespace pentak

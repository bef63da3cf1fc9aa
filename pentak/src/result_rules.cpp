#include "result_rules.h"

#include "win32/error.h"
#include "win32/error_codes.h"

namespace pentak {

namespace {

constexpr DWORD kLargestWin32Error = 0xFFFF;
constexpr DWORD kFailureBit = 0x80000000u;

}  // namespace

HRESULT resultOfCode(DWORD code) noexcept {
    if (code == 0) return S_OK;
    if (code & kFailureBit) return static_cast<HRESULT>(code);
    if (code <= kLargestWin32Error) return HRESULT_FROM_WIN32(code);
    return static_cast<HRESULT>(code | kFailureBit);
}

HRESULT resultOfFlag(BOOL ok) noexcept {
    if (ok) return S_OK;
    const DWORD error = GetLastError();
    return resultOfCode(error != 0 ? error : static_cast<DWORD>(NTE_FAIL));
}

}  // namespace pentak

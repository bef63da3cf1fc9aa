#include "member_results.h"

#include "common/codepage.h"
#include "win32/error.h"

HRESULT ResultOfFlag(bool succeeded) {
    if (succeeded) return S_OK;
    const auto error = static_cast<LONG>(GetLastError());
    if (error == 0) return NTE_FAIL;
    if (error > 0) return static_cast<HRESULT>((static_cast<DWORD>(error) & 0xFFFF) | 0x80070000);
    return error;
}

std::string NarrowOf(BSTR text) {
    if (!text) return {};
    return WideToMultiByte(text, static_cast<int>(SysStringLen(text)));
}

HRESULT HandOut(const std::string& narrow, BSTR* out) {
    *out = nullptr;
    if (narrow.empty()) return S_OK;
    const std::u16string wide = MultiByteToWide(narrow, CP_ACP);
    if (wide.empty()) return S_OK;
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

#include "halvex/bstr.h"

#include <new>

#include "win32/com.h"

namespace halvex {

Bstr MakeBstr(const std::u16string& text) {
    Bstr made(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!made) throw std::bad_alloc();
    return made;
}

std::u16string TakeBstr(BSTR text) {
    const Bstr owned(text);
    return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}

std::u16string ThreadErrorDescription() {
    IErrorInfo* info = nullptr;
    std::u16string description;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR text = nullptr;
        if (SUCCEEDED(info->GetDescription(&text))) description = TakeBstr(text);
        info->Release();
    }
    return description;
}

}  // namespace halvex

#include "automation_text.h"

#include "win32/text.h"

namespace pentak {

std::u16string_view textOf(BSTR text) noexcept {
    return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

HRESULT ansiOf(BSTR text, std::string& ansi) noexcept {
    const std::u16string_view wide = textOf(text);
    ansi.clear();
    if (wide.empty()) return S_OK;
    const int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return E_INVALIDARG;
    try {
        ansi.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), size, nullptr, nullptr);
    return S_OK;
}

HRESULT giveText(std::u16string_view text, BSTR* out) noexcept {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT giveTextOrNull(const std::optional<std::u16string>& text, BSTR* out) noexcept {
    if (!out) return E_POINTER;
    if (!text) {
        *out = nullptr;
        return S_OK;
    }
    return giveText(std::u16string_view(*text), out);
}

}  // namespace pentak

#include "automation_text.h"

#include <utility>

#include "platform/text.h"

namespace pentak {

std::u16string_view textOf(BSTR text) noexcept {
    return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

HRESULT ansiOf(BSTR text, std::string& ansi) noexcept {
    try {
        std::optional<std::string> converted = platform::text::toNarrowExact(textOf(text));
        if (!converted) return E_INVALIDARG;
        ansi = std::move(*converted);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
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

// The Pentak object's values on their way in and out: BSTR arguments as the
// session's texts, and the session's texts and numbers handed to the
// caller.
#pragma once

#include <functional>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "win32/oleauto.h"

namespace pentak {

// The characters of a BSTR argument, a null BSTR being empty. Not a copy.
std::u16string_view textOf(BSTR text) noexcept;

// A BSTR argument as 8-bit text in the ANSI code page: S_OK, or
// E_INVALIDARG (0x80070057) when the page lacks one of its characters, so
// that no character turns into "?" on the way; E_OUTOFMEMORY.
HRESULT ansiOf(BSTR text, std::string& ansi) noexcept;
// Runs step with the 8-bit form of text (a null BSTR gives a null view) and
// gives its result, or the failure of the conversion without running it.
template <class Step>
HRESULT withAnsi(BSTR text, Step&& step) {
    std::string ansi;
    const HRESULT converted = ansiOf(text, ansi);
    if (FAILED(converted)) return converted;
    return step(text ? std::string_view(ansi) : std::string_view());
}

// A new copy of text in *out. E_POINTER for a null out, E_OUTOFMEMORY.
HRESULT giveText(std::u16string_view text, BSTR* out) noexcept;
// The same for a field that may hold no text: then a null BSTR.
HRESULT giveTextOrNull(const std::optional<std::u16string>& text, BSTR* out) noexcept;

// A number or enumeration in *out. E_POINTER for a null out.
template <class T, class V>
HRESULT giveValue(V value, T* out) noexcept {
    if (!out) return E_POINTER;
    *out = static_cast<T>(value);
    return S_OK;
}

// Stores a copy of a BSTR argument with object.*setter; a null BSTR leaves
// the field without text.
template <class Object, class Setter>
HRESULT keepText(BSTR text, Object& object, Setter setter) noexcept {
    try {
        std::invoke(setter, object, text ? std::optional<std::u16string>(textOf(text)) : std::nullopt);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Stores a number or enumeration with object.*setter.
template <class Object, class Setter, class V>
HRESULT keepValue(V value, Object& object, Setter setter) noexcept {
    std::invoke(setter, object, value);
    return S_OK;
}

}  // namespace pentak

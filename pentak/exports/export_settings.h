// The session's plain settings read and written through the exported
// functions, each function one line over its session accessors.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "export_session.h"
#include "export_text.h"

namespace pentak::exports {

// A text the session may hold unset reads as empty.
inline std::u16string_view settingText(const std::optional<std::u16string>& text) noexcept {
    return text ? std::u16string_view(*text) : std::u16string_view();
}
inline std::u16string_view settingText(const std::u16string& text) noexcept { return text; }

template <class Setter>
struct SetterArgument;
template <class Value>
struct SetterArgument<void (CEnroll::*)(Value)> {
    using type = Value;
};

// The number of (session.*getter)() in *out.
template <auto Getter>
HRESULT getNumber(LONG* out) noexcept {
    return onSession(given(out), [&](CEnroll& s) {
        *out = static_cast<LONG>((s.*Getter)());
        return S_OK;
    });
}
// (session.*setter)(value), the caller's 32 bits taken as the setting's type.
template <auto Setter>
HRESULT setNumber(LONG value) noexcept {
    return onSession(true, [&](CEnroll& s) {
        (s.*Setter)(static_cast<typename SetterArgument<decltype(Setter)>::type>(value));
        return S_OK;
    });
}

// The text of (session.*getter)() by the buffer rule, in the session's code
// page or as UTF-16.
template <auto Getter>
HRESULT getNarrowText(char* buffer, DWORD* length) noexcept {
    return onSession(given(length),
                     [&](CEnroll& s) { return NarrowOut(s, buffer, length).give(settingText((s.*Getter)())); });
}
template <auto Getter>
HRESULT getWideText(char16_t* buffer, DWORD* length) noexcept {
    return onSession(given(length),
                     [&](CEnroll& s) { return WideOut(buffer, length).give(settingText((s.*Getter)())); });
}

}  // namespace pentak::exports

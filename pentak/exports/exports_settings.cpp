// The session's settings and its reset.
#include <optional>
#include <string>
#include <string_view>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;

namespace {

// A text the session may hold unset reads as empty.
std::u16string_view settingText(const std::optional<std::u16string>& text) noexcept {
    return text ? std::u16string_view(*text) : std::u16string_view();
}
std::u16string_view settingText(const std::u16string& text) noexcept { return text; }

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

// (session.*setter)(text), a text in the ANSI page that must not be empty.
template <auto Setter>
HRESULT setAnsiText(const char* text) noexcept {
    return onSession(filled(text), [&](CEnroll& s) {
        (s.*Setter)(ansiText(text));
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

}  // namespace

HRESULT Pentak_Reset() {
    return flagOn(true, [](CEnroll& s) { return s.Reset(); });
}

HRESULT Pentak_GetProviderType(LONG* type) { return getNumber<&CEnroll::GetProviderType>(type); }
HRESULT Pentak_SetProviderType(LONG type) { return setNumber<&CEnroll::SetProviderType>(type); }
HRESULT Pentak_GetKeySpec(LONG* keySpec) { return getNumber<&CEnroll::GetKeySpec>(keySpec); }
HRESULT Pentak_SetKeySpec(LONG keySpec) { return setNumber<&CEnroll::SetKeySpec>(keySpec); }
HRESULT Pentak_GetGenKeyFlags(LONG* flags) { return getNumber<&CEnroll::GetGenKeyFlags>(flags); }
HRESULT Pentak_SetGenKeyFlags(LONG flags) { return setNumber<&CEnroll::SetGenKeyFlags>(flags); }
HRESULT Pentak_GetAttributeStringType(LONG* type) { return getNumber<&CEnroll::GetAttributeStringType>(type); }
HRESULT Pentak_SetAttributeStringType(LONG type) { return setNumber<&CEnroll::SetAttributeStringType>(type); }
HRESULT Pentak_GetCodePage(LONG* codePage) { return getNumber<&CEnroll::GetCodePage>(codePage); }
HRESULT Pentak_SetCodePage(LONG codePage) { return setNumber<&CEnroll::SetCodePage>(codePage); }

HRESULT Pentak_GetProviderName(char* buffer, DWORD* length) {
    return getNarrowText<&CEnroll::GetProviderName>(buffer, length);
}
HRESULT Pentak_SetProviderName(const char* name) { return setAnsiText<&CEnroll::SetProviderName>(name); }

HRESULT Pentak_GetContainerName(char* buffer, DWORD* length) {
    return getNarrowText<&CEnroll::GetContainerName>(buffer, length);
}
HRESULT Pentak_SetContainerName(const char* name) {
    return onSession(given(name), [&](CEnroll& s) {
        s.SetContainerName(sessionText(s, name));
        return S_OK;
    });
}

HRESULT Pentak_GetCertificate(char* buffer, DWORD* length) {
    return getNarrowText<&CEnroll::GetCertificate>(buffer, length);
}
HRESULT Pentak_SetCertificate(const char* certificate) {
    return setAnsiText<&CEnroll::SetCertificate>(certificate);
}

HRESULT Pentak_GetSignCert(char* buffer, DWORD* length) { return getNarrowText<&CEnroll::GetSignCert>(buffer, length); }

HRESULT Pentak_GetSmartCardName(char16_t* buffer, DWORD* length) {
    return getWideText<&CEnroll::GetSmartCardName>(buffer, length);
}
HRESULT Pentak_GetSmartCardReaderName(char16_t* buffer, DWORD* length) {
    return getWideText<&CEnroll::GetSmartCardReaderName>(buffer, length);
}
HRESULT Pentak_SetSmartCardReaderName(const char16_t* name) {
    return onSession(true, [&](CEnroll& s) {
        s.SetSmartCardReaderName(name ? std::optional<std::u16string>(name) : std::nullopt);
        return S_OK;
    });
}

HRESULT Pentak_GetMessageEncoding(char16_t* buffer, DWORD* length) {
    return getWideText<&CEnroll::GetMessageEncoding>(buffer, length);
}
HRESULT Pentak_SetMessageEncoding(const char16_t* encoding) {
    return codeOn(filled(encoding), [&](CEnroll& s) { return s.SetMessageEncoding(encoding); });
}

HRESULT Pentak_GetGUILanguage(char16_t* buffer, DWORD* length) {
    return getWideText<&CEnroll::GetGUILanguage>(buffer, length);
}
HRESULT Pentak_SetGUILanguage(const char16_t* language) {
    return codeOn(filled(language), [&](CEnroll& s) { return s.SetGUILanguage(language); });
}

HRESULT Pentak_GetHashAlgorithmOid(char* buffer, DWORD* length) {
    return getNarrowText<&CEnroll::GetHashAlgorithmOid>(buffer, length);
}
HRESULT Pentak_SetHashAlgorithmOid(const char* oid) {
    return codeOn(filled(oid), [&](CEnroll& s) { return s.SetHashAlgorithmOid(ansiText(oid)); });
}

HRESULT Pentak_GetSignatureAlgorithmOid(char* buffer, DWORD* length) {
    return getNarrowText<&CEnroll::GetSignatureAlgorithmOid>(buffer, length);
}
HRESULT Pentak_SetSignatureAlgorithmOid(const char* oid) {
    return codeOn(filled(oid), [&](CEnroll& s) { return s.SetSignatureAlgorithmOid(ansiText(oid)); });
}

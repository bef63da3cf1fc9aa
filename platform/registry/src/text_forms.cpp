#include "text_forms.h"

#include <cstring>
#include <type_traits>

#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/registry.h"

namespace platform::registry {

namespace {
std::u16string unitsOf(std::span<const BYTE> bytes) {
    std::u16string s(bytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(s.data(), bytes.data(), s.size() * sizeof(char16_t));
    return s;
}

std::vector<BYTE> bytesOf(std::u16string_view s) {
    const auto* p = reinterpret_cast<const BYTE*>(s.data());
    return {p, p + s.size() * sizeof(char16_t)};
}

std::vector<BYTE> bytesOf(std::string_view s) {
    const auto* p = reinterpret_cast<const BYTE*>(s.data());
    return {p, p + s.size()};
}
}  // namespace

std::optional<std::u16string> nameArg(const char* name) {
    if (!name) return std::nullopt;
    return text::toWide(name, CP_ACP);
}

std::optional<std::u16string> nameArg(const char16_t* name) {
    if (!name) return std::nullopt;
    return std::u16string(name);
}

bool holdsText(DWORD type) noexcept { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

template <class Char>
std::vector<BYTE> storedData(DWORD type, std::span<const BYTE> data) {
    if (data.size() > kMaxValueBytes) throw WinError(ERROR_INVALID_PARAMETER, "value data too large");
    if constexpr (std::is_same_v<Char, char>) {
        if (holdsText(type)) {
            const std::string_view ansi(reinterpret_cast<const char*>(data.data()), data.size());
            return bytesOf(text::toWide(ansi, CP_ACP));
        }
    }
    return {data.begin(), data.end()};
}

template <class Char>
std::vector<BYTE> callerData(DWORD type, std::span<const BYTE> stored) {
    if constexpr (std::is_same_v<Char, char>) {
        if (holdsText(type)) return bytesOf(text::toNarrow(unitsOf(stored), CP_ACP));
    }
    return {stored.begin(), stored.end()};
}

template <class Char>
std::basic_string<Char> callerName(std::u16string_view name) {
    if constexpr (std::is_same_v<Char, char>)
        return text::toNarrow(name, CP_ACP);
    else
        return std::u16string(name);
}

template <class Char>
void copyName(std::u16string_view name, Char* buffer, DWORD* pcch) {
    if (!buffer || !pcch) throw WinError(ERROR_INVALID_PARAMETER, "null name buffer");
    const auto text = callerName<Char>(name);
    if (*pcch < text.size() + 1) throw WinError(ERROR_MORE_DATA, "name buffer too small");
    std::memcpy(buffer, text.data(), text.size() * sizeof(Char));
    buffer[text.size()] = Char{};
    *pcch = static_cast<DWORD>(text.size());
}

template std::vector<BYTE> storedData<char>(DWORD, std::span<const BYTE>);
template std::vector<BYTE> storedData<char16_t>(DWORD, std::span<const BYTE>);
template std::vector<BYTE> callerData<char>(DWORD, std::span<const BYTE>);
template std::vector<BYTE> callerData<char16_t>(DWORD, std::span<const BYTE>);
template std::string callerName<char>(std::u16string_view);
template std::u16string callerName<char16_t>(std::u16string_view);
template void copyName<char>(std::u16string_view, char*, DWORD*);
template void copyName<char16_t>(std::u16string_view, char16_t*, DWORD*);

}  // namespace platform::registry

#include "card_database.h"

#include <cstring>
#include <optional>

#include "atr.h"
#include "platform/owned.h"
#include "platform/win_error.h"
#include "win32/error_codes.h"
#include "win32/registry.h"

namespace platform::scard::database {

namespace {

constexpr char16_t kRoot[] = u"SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards";
constexpr char16_t kAtr[] = u"ATR";
constexpr char16_t kAtrMask[] = u"ATRMask";
constexpr char16_t kCryptoProvider[] = u"Crypto Provider";

using Key = Owned<HKEY__, RegCloseKey>;

// Reg* functions return a Win32 code as LONG.
DWORD codeOf(LONG rc) { return static_cast<DWORD>(rc); }

void checkRegistry(LONG rc, const char* what) {
    if (codeOf(rc) != ERROR_SUCCESS) throw WinError(codeOf(rc), what);
}

std::u16string keyPath(std::u16string_view card) {
    if (card.empty() || card.find(u'\\') != std::u16string_view::npos)
        throw WinError(SCARD_E_INVALID_PARAMETER, "card name is empty or holds a backslash");
    std::u16string path(kRoot);
    path += u'\\';
    path += card;
    return path;
}

Key openCard(std::u16string_view card, REGSAM access) {
    HKEY h = nullptr;
    const LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath(card).c_str(), 0, access, &h);
    if (codeOf(rc) == ERROR_FILE_NOT_FOUND) throw WinError(SCARD_E_UNKNOWN_CARD, "card not in the database");
    checkRegistry(rc, "RegOpenKeyExW");
    return Key(h);
}

// The value's bytes when it exists with the expected type.
std::optional<std::vector<BYTE>> readValue(HKEY key, const char16_t* name, DWORD expectedType) {
    DWORD type = 0, size = 0;
    if (codeOf(RegQueryValueExW(key, name, nullptr, &type, nullptr, &size)) != ERROR_SUCCESS || type != expectedType)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (codeOf(RegQueryValueExW(key, name, nullptr, &type, data.data(), &size)) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

void writeValue(HKEY key, const char16_t* name, DWORD type, std::span<const BYTE> data) {
    checkRegistry(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
                  "RegSetValueExW");
}

bool entryMatches(HKEY key, const BYTE* cardAtr) {
    const auto atr = readValue(key, kAtr, REG_BINARY);
    if (!atr || atr->empty()) return false;
    auto mask = readValue(key, kAtrMask, REG_BINARY);
    if (!mask) mask = std::vector<BYTE>(atr->size(), 0xFF);
    const auto length = measureAtr(cardAtr);
    return length && atrMatches(*atr, *mask, {cardAtr, *length});
}

std::vector<std::u16string> subkeys(HKEY root) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD length = 256;
        const LONG rc = RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (codeOf(rc) == ERROR_NO_MORE_ITEMS) break;
        checkRegistry(rc, "RegEnumKeyExW");
        names.emplace_back(name, length);
    }
    return names;
}

}  // namespace

void introduce(std::u16string_view card, std::span<const BYTE> atr, std::span<const BYTE> mask) {
    HKEY h = nullptr;
    checkRegistry(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath(card).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, &h, nullptr),
                  "RegCreateKeyExW");
    const Key key(h);
    writeValue(key.get(), kAtr, REG_BINARY, atr);
    if (!mask.empty()) {
        writeValue(key.get(), kAtrMask, REG_BINARY, mask);
        return;
    }
    const LONG rc = RegDeleteValueW(key.get(), kAtrMask);
    if (codeOf(rc) != ERROR_FILE_NOT_FOUND) checkRegistry(rc, "RegDeleteValueW");
}

void forget(std::u16string_view card) {
    openCard(card, KEY_QUERY_VALUE);
    checkRegistry(RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath(card).c_str()), "RegDeleteTreeW");
}

std::vector<std::u16string> cardsFor(const BYTE* atr) {
    HKEY h = nullptr;
    const LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRoot, 0, KEY_READ, &h);
    if (codeOf(rc) == ERROR_FILE_NOT_FOUND) return {};
    checkRegistry(rc, "RegOpenKeyExW");
    const Key root(h);
    std::vector<std::u16string> found;
    for (auto& name : subkeys(root.get())) {
        HKEY c = nullptr;
        if (codeOf(RegOpenKeyExW(root.get(), name.c_str(), 0, KEY_QUERY_VALUE, &c)) != ERROR_SUCCESS) continue;
        const Key card(c);
        if (!atr || entryMatches(card.get(), atr)) found.push_back(std::move(name));
    }
    return found;
}

void setCryptoProvider(std::u16string_view card, std::u16string_view provider) {
    const Key key = openCard(card, KEY_SET_VALUE);
    const std::u16string text(provider);
    writeValue(key.get(), kCryptoProvider, REG_SZ,
               {reinterpret_cast<const BYTE*>(text.c_str()), (text.size() + 1) * sizeof(char16_t)});
}

std::u16string cryptoProvider(std::u16string_view card) {
    const Key key = openCard(card, KEY_QUERY_VALUE);
    const auto data = readValue(key.get(), kCryptoProvider, REG_SZ);
    if (!data) throw WinError(ERROR_FILE_NOT_FOUND, "card names no CSP");
    std::u16string text(data->size() / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(text.data(), data->data(), text.size() * sizeof(char16_t));
    return text.substr(0, text.find(u'\0'));
}

}  // namespace platform::scard::database

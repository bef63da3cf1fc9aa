// CryptStringToBinaryA/W: Base64 plain or in any PEM armour, hexadecimal,
// and the _ANY kinds that try them in CryptoAPI's order.
#include <cstring>

#include "platform/boundary.h"
#include "platform/buffers.h"
#include "string/base64.h"
#include "win32/crypt_string.h"

using namespace platform;
using namespace platform::crypt;

namespace {

struct Found {
    std::vector<BYTE> bytes;
    DWORD skip = 0;
    DWORD format = 0;
};

std::optional<Found> fromBase64(std::u16string_view text) {
    auto bytes = base64::decode(text);
    if (!bytes) return std::nullopt;
    return Found{std::move(*bytes), 0, CRYPT_STRING_BASE64};
}

// "-----BEGIN label-----", the Base64, "-----END label-----"; what comes
// before the armour is skipped.
std::optional<Found> fromArmour(std::u16string_view text, DWORD format) {
    const std::size_t begin = text.find(u"-----BEGIN ");
    if (begin == text.npos) return std::nullopt;
    const std::size_t labelEnd = text.find(u"-----", begin + 11);
    if (labelEnd == text.npos) return std::nullopt;
    const std::size_t bodyStart = labelEnd + 5;
    const std::size_t end = text.find(u"-----END ", bodyStart);
    if (end == text.npos) return std::nullopt;
    auto bytes = base64::decode(text.substr(bodyStart, end - bodyStart));
    if (!bytes) return std::nullopt;
    return Found{std::move(*bytes), static_cast<DWORD>(begin), format};
}

std::optional<Found> fromHex(std::u16string_view text, DWORD format) {
    std::vector<BYTE> bytes;
    int pending = -1;
    for (char16_t c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                           : -1;
        if (v < 0) return std::nullopt;
        if (pending < 0) {
            pending = v;
        } else {
            bytes.push_back(static_cast<BYTE>(pending << 4 | v));
            pending = -1;
        }
    }
    if (pending >= 0) return std::nullopt;
    return Found{std::move(bytes), 0, format};
}

template <class Char>
std::optional<Found> convert(std::basic_string_view<Char> original, DWORD format) {
    const std::u16string text(original.begin(), original.end());
    switch (format) {
    case CRYPT_STRING_BASE64HEADER:
    case CRYPT_STRING_BASE64REQUESTHEADER:
    case CRYPT_STRING_BASE64X509CRLHEADER:
        return fromArmour(text, format);
    case CRYPT_STRING_BASE64:
        return fromBase64(text);
    case CRYPT_STRING_HEX:
    case CRYPT_STRING_HEXRAW:
        return fromHex(text, format);
    case CRYPT_STRING_BASE64_ANY:
        if (auto found = fromArmour(text, CRYPT_STRING_BASE64HEADER)) return found;
        return fromBase64(text);
    case CRYPT_STRING_ANY: {
        if (auto found = convert(original, CRYPT_STRING_BASE64_ANY)) return found;
        std::vector<BYTE> bytes(original.size() * sizeof(Char));
        if (!bytes.empty()) std::memcpy(bytes.data(), original.data(), bytes.size());
        return Found{std::move(bytes), 0, CRYPT_STRING_BINARY};
    }
    default:
        throw WinError(ERROR_INVALID_PARAMETER, "unsupported string format");
    }
}

template <class Char>
BOOL stringToBinary(const Char* pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary, DWORD* pcbBinary,
                    DWORD* pdwSkip, DWORD* pdwFlags) {
    return winBool([&] {
        if (!pszString) throw WinError(ERROR_INVALID_PARAMETER, "null string");
        const std::basic_string_view<Char> text =
            cchString ? std::basic_string_view<Char>(pszString, cchString) : std::basic_string_view<Char>(pszString);
        const auto found = convert(text, dwFlags & ~(CRYPT_STRING_NOCRLF | CRYPT_STRING_NOCR));
        if (!found) throw WinError(ERROR_INVALID_DATA, "text not in the format asked for");
        copyOut(found->bytes, pbBinary, pcbBinary);
        if (pdwSkip) *pdwSkip = found->skip;
        if (pdwFlags) *pdwFlags = found->format;
        return true;
    });
}

}  // namespace

BOOL CryptStringToBinaryA(LPCSTR pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary, DWORD* pcbBinary,
                          DWORD* pdwSkip, DWORD* pdwFlags) noexcept {
    return stringToBinary(pszString, cchString, dwFlags, pbBinary, pcbBinary, pdwSkip, pdwFlags);
}

BOOL CryptStringToBinaryW(LPCWSTR pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary, DWORD* pcbBinary,
                          DWORD* pdwSkip, DWORD* pdwFlags) noexcept {
    return stringToBinary(pszString, cchString, dwFlags, pbBinary, pcbBinary, pdwSkip, pdwFlags);
}

// CryptBinaryToStringA/W: Base64 plain or in PEM armour, and hexadecimal.
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "string/base64.h"
#include "win32/crypt_string.h"

using namespace platform;
using namespace platform::crypt;

namespace {

constexpr DWORD kFormatMask = 0x0000FFFF;

std::string armoured(std::span<const BYTE> bytes, std::string_view label, std::string_view nl) {
    std::string out = "-----BEGIN " + std::string(label) + "-----";
    out += nl;
    out += base64::encode(bytes, nl);
    out += "-----END " + std::string(label) + "-----";
    out += nl;
    return out;
}

// Sixteen bytes a line, a wider gap after the eighth.
std::string hexLines(std::span<const BYTE> bytes, std::string_view nl) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t column = i % 16;
        if (column == 8) out += "  ";
        else if (column) out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0xF];
        if (column == 15 || i + 1 == bytes.size()) out += nl;
    }
    return out;
}

std::string hexRaw(std::span<const BYTE> bytes, std::string_view nl) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (BYTE b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out += nl;
}

std::string textOf(std::span<const BYTE> bytes, DWORD flags) {
    const std::string_view nl = (flags & CRYPT_STRING_NOCRLF) ? "" : (flags & CRYPT_STRING_NOCR) ? "\n" : "\r\n";
    switch (flags & kFormatMask) {
    case CRYPT_STRING_BASE64HEADER:
        return armoured(bytes, "CERTIFICATE", nl);
    case CRYPT_STRING_BASE64:
        return base64::encode(bytes, nl);
    case CRYPT_STRING_BASE64REQUESTHEADER:
        return armoured(bytes, "NEW CERTIFICATE REQUEST", nl);
    case CRYPT_STRING_BASE64X509CRLHEADER:
        return armoured(bytes, "X509 CRL", nl);
    case CRYPT_STRING_HEX:
        return hexLines(bytes, nl);
    case CRYPT_STRING_HEXRAW:
        return hexRaw(bytes, nl);
    default:
        throw WinError(ERROR_INVALID_PARAMETER, "unsupported string format");
    }
}

// The size protocol of CryptBinaryToString: with a buffer the count comes
// back without the NUL.
template <class Char>
BOOL binaryToString(const BYTE* pbBinary, DWORD cbBinary, DWORD dwFlags, Char* pszString, DWORD* pcchString) {
    return winBool([&] {
        if (!pbBinary && cbBinary) throw WinError(ERROR_INVALID_PARAMETER, "null data");
        const std::string ascii = textOf({pbBinary, cbBinary}, dwFlags);
        copyOutText(std::basic_string<Char>(ascii.begin(), ascii.end()), pszString, pcchString);
        if (pszString) --*pcchString;
        return true;
    });
}

}  // namespace

BOOL CryptBinaryToStringA(const BYTE* pbBinary, DWORD cbBinary, DWORD dwFlags, LPSTR pszString,
                          DWORD* pcchString) noexcept {
    return binaryToString(pbBinary, cbBinary, dwFlags, pszString, pcchString);
}

BOOL CryptBinaryToStringW(const BYTE* pbBinary, DWORD cbBinary, DWORD dwFlags, LPWSTR pszString,
                          DWORD* pcchString) noexcept {
    return binaryToString(pbBinary, cbBinary, dwFlags, pszString, pcchString);
}

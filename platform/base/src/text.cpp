// The Win32 conversion entry points and their C++ forms for the layer.
#include "platform/text.h"

#include <climits>
#include <cstring>
#include <utility>

#include "codepages.h"
#include "platform/boundary.h"

namespace platform::text {

namespace {

void checkFlags(DWORD flags, DWORD allowed) {
    if (flags & ~allowed) throw WinError(ERROR_INVALID_FLAGS, "flags not valid for the code page");
}

// The input as bytes; -1 takes the text up to and including its NUL (a
// 16-bit NUL for UTF-16LE).
std::string_view inputBytes(const CodePage& page, LPCSTR s, int cb) {
    if (cb >= 0) return {s, static_cast<std::size_t>(cb)};
    if (page.kind != PageKind::Utf16Le) return {s, std::strlen(s) + 1};
    std::size_t n = 0;
    while (s[n] != 0 || s[n + 1] != 0) n += 2;
    return {s, n + 2};
}

std::u16string_view inputUnits(LPCWSTR s, int cch) {
    return cch >= 0 ? std::u16string_view(s, static_cast<std::size_t>(cch)) : std::u16string_view(s, length(s) + 1);
}

// A zero output size asks for the size; otherwise the whole result must fit.
template <class Char>
int deliver(const std::basic_string<Char>& result, Char* out, int room) {
    if (result.size() > INT_MAX) throw WinError(ERROR_ARITHMETIC_OVERFLOW, "result too long");
    const int size = static_cast<int>(result.size());
    if (room == 0) return size;
    if (size > room) throw WinError(ERROR_INSUFFICIENT_BUFFER, "output buffer too small");
    std::memcpy(out, result.data(), result.size() * sizeof(Char));
    return size;
}

}  // namespace

std::u16string toWide(std::string_view narrow, UINT page) { return decode(codePage(page), narrow).text; }

std::string toNarrow(std::u16string_view wide, UINT page) { return encode(codePage(page), wide).bytes; }

std::optional<std::string> toNarrowExact(std::u16string_view wide, UINT page) {
    const CodePage* known = findCodePage(page);
    if (!known) return std::nullopt;
    Encoded encoded = encode(*known, wide);
    if (encoded.usedDefault || encoded.invalid) return std::nullopt;
    return std::move(encoded.bytes);
}

std::string ansiToUtf8(std::string_view ansi) { return toUtf8(toWide(ansi, CP_ACP)); }

std::string utf8ToAnsi(std::string_view utf8) { return toNarrow(fromUtf8(utf8), CP_ACP); }

bool isValidUtf8(std::string_view s) noexcept { return isWellFormedUtf8(s); }

std::size_t length(const char16_t* s) noexcept {
    if (!s) return 0;
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

}  // namespace platform::text

using namespace platform;
using namespace platform::text;

UINT GetACP() noexcept { return CP_WINDOWS_1250; }

UINT GetOEMCP() noexcept { return CP_OEM_852; }

// The aliases CP_ACP, CP_OEMCP and CP_THREAD_ACP name no page of their own.
BOOL IsValidCodePage(UINT page) noexcept {
    return page != CP_ACP && page != CP_OEMCP && page != CP_THREAD_ACP && findCodePage(page) ? TRUE : FALSE;
}

int MultiByteToWideChar(UINT page, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar) noexcept {
    return winValue(0, [&] {
        const CodePage& cp = codePage(page);
        checkFlags(dwFlags,
                   cp.kind == PageKind::SingleByte ? MB_PRECOMPOSED | MB_ERR_INVALID_CHARS : MB_ERR_INVALID_CHARS);
        if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
            (cchWideChar > 0 && !lpWideCharStr))
            throw WinError(ERROR_INVALID_PARAMETER, "MultiByteToWideChar: bad argument");
        const Decoded decoded = decode(cp, inputBytes(cp, lpMultiByteStr, cbMultiByte));
        if (decoded.invalid && (dwFlags & MB_ERR_INVALID_CHARS))
            throw WinError(ERROR_NO_UNICODE_TRANSLATION, "invalid input for the code page");
        return deliver(decoded.text, lpWideCharStr, cchWideChar);
    });
}

int WideCharToMultiByte(UINT page, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar) noexcept {
    return winValue(0, [&] {
        const CodePage& cp = codePage(page);
        const bool singleByte = cp.kind == PageKind::SingleByte;
        checkFlags(dwFlags, singleByte ? WC_NO_BEST_FIT_CHARS : WC_ERR_INVALID_CHARS);
        if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
            (cbMultiByte > 0 && !lpMultiByteStr))
            throw WinError(ERROR_INVALID_PARAMETER, "WideCharToMultiByte: bad argument");
        if (!singleByte && (lpDefaultChar || lpUsedDefaultChar))
            throw WinError(ERROR_INVALID_PARAMETER, "no default character for a Unicode page");
        const Encoded encoded =
            encode(cp, inputUnits(lpWideCharStr, cchWideChar), lpDefaultChar ? *lpDefaultChar : '?');
        if (encoded.invalid && (dwFlags & WC_ERR_INVALID_CHARS))
            throw WinError(ERROR_NO_UNICODE_TRANSLATION, "lone surrogate");
        if (lpUsedDefaultChar) *lpUsedDefaultChar = encoded.usedDefault ? TRUE : FALSE;
        return deliver(encoded.bytes, lpMultiByteStr, cbMultiByte);
    });
}

int lstrlenA(LPCSTR s) noexcept { return s ? static_cast<int>(std::strlen(s)) : 0; }

int lstrlenW(LPCWSTR s) noexcept { return static_cast<int>(length(s)); }

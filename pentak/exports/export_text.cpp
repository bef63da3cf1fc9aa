#include "export_text.h"

#include <climits>

#include "platform/buffers.h"
#include "platform/win_error.h"
#include "win32/text.h"

namespace pentak::exports {

namespace {

[[noreturn]] void refuse(const char* what) { throw platform::WinError(ERROR_INVALID_PARAMETER, what); }

// count bytes of the page (-1: up to and including the page's zero) as
// UTF-16, the zero kept when it was counted.
std::u16string decoded(const char* bytes, int count, UINT codePage) {
    const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, nullptr, 0);
    if (units <= 0) refuse("not a text of the code page");
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, wide.data(), units) != units)
        refuse("not a text of the code page");
    return wide;
}

// The text and its zero in the page. Characters the page lacks would come
// back as something else, so the bytes must decode to the text again.
std::string encodedWithZero(std::u16string_view text, UINT codePage) {
    if (text.size() >= INT_MAX) refuse("text too long");
    const std::u16string terminated(text);
    const int units = static_cast<int>(terminated.size()) + 1;
    const int bytes = WideCharToMultiByte(codePage, 0, terminated.c_str(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) refuse("no conversion to the code page");
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(codePage, 0, terminated.c_str(), units, narrow.data(), bytes, nullptr, nullptr) != bytes ||
        decoded(narrow.data(), bytes, codePage) != std::u16string_view(terminated.c_str(), units))
        refuse("the code page lacks a character of the text");
    return narrow;
}

}  // namespace

std::u16string wideOf(const char* text, UINT codePage) {
    if (!text) return {};
    std::u16string wide = decoded(text, -1, codePage);
    wide.pop_back();
    return wide;
}

std::u16string ansiText(const char* text) { return wideOf(text, CP_ACP); }

std::string ansiOf(const char16_t* text) {
    std::string narrow = encodedWithZero(viewOf(text), CP_ACP);
    narrow.pop_back();
    return narrow;
}

std::u16string_view viewOf(const char16_t* text) noexcept {
    return text ? std::u16string_view(text) : std::u16string_view();
}

std::string_view rawOf(const char* text) noexcept { return text ? std::string_view(text) : std::string_view(); }

HRESULT NarrowOut::give(std::u16string_view text) const {
    const std::string bytes = encodedWithZero(text, m_codePage);
    platform::copyOut({reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()}, reinterpret_cast<BYTE*>(m_buffer),
                      m_length);
    return S_OK;
}

HRESULT WideOut::give(std::u16string_view text) const {
    platform::copyOutText(text, m_buffer, m_length);
    return S_OK;
}

}  // namespace pentak::exports

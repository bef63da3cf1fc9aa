#include "export_text.h"

#include <optional>
#include <utility>

#include "platform/buffers.h"
#include "platform/text.h"
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

// The text and its zero in the page; a character the page lacks would come
// back as something else, so it is refused.
std::string encodedWithZero(std::u16string_view text, UINT codePage) {
    std::optional<std::string> narrow = platform::text::toNarrowExact(text, codePage);
    if (!narrow) refuse("the code page lacks a character of the text");
    narrow->push_back('\0');
    if (codePage == CP_UTF16LE) narrow->push_back('\0');
    return std::move(*narrow);
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

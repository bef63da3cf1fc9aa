// wide_text.cpp: the ANSI conversions of the W entry points.
#include "wide_text.h"

#include "platform/text.h"
#include "platform/win_error.h"

namespace platform::inet {

NarrowText::NarrowText(LPCWSTR wide, DWORD length) {
    if (!wide) return;
    const std::u16string_view text = length == 0xFFFFFFFFu ? std::u16string_view(wide) : std::u16string_view(wide, length);
    m_text = text::toNarrowExact(text);
    if (!m_text) throw WinError(ERROR_INVALID_PARAMETER, "text outside the ANSI code page");
}

std::u16string wideText(std::string_view narrow) { return text::toWide(narrow); }

}  // namespace platform::inet

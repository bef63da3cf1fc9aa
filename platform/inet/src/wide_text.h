// The wide (W) entry points are their narrow (A) forms on text converted to
// the ANSI code page, as WinINet's W functions are on Windows. A character
// the page lacks is refused (ERROR_INVALID_PARAMETER) rather than replaced,
// since a "?" would send another path, header or password than asked for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "win32/types.h"

namespace platform::inet {

// A wide argument as narrow text; a null pointer stays null.
class NarrowText {
public:
    // Up to the NUL, or `length` characters unless it is 0xFFFFFFFF.
    explicit NarrowText(LPCWSTR wide, DWORD length = 0xFFFFFFFFu);
    LPCSTR get() const noexcept { return m_text ? m_text->c_str() : nullptr; }
    DWORD size() const noexcept { return m_text ? static_cast<DWORD>(m_text->size()) : 0; }

private:
    std::optional<std::string> m_text;
};

// Narrow text from the layer (reply headers) as wide text.
std::u16string wideText(std::string_view narrow);

}  // namespace platform::inet

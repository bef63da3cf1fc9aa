// ansi_text.h: the UTF-16 texts of CryptoAPI records as narrow text in the
// ANSI code page.
#pragma once

#include <string>

#include "common/codepage.h"

// A NUL-terminated text; empty for null.
inline std::string AnsiFromWide(const char16_t* text) {
    if (!text) return {};
    return WideToMultiByte(text, static_cast<int>(std::char_traits<char16_t>::length(text)));
}

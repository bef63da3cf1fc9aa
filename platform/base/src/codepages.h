// The code pages the layer converts, resolved from the numbers callers pass,
// and whole-string conversion between them and UTF-16.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "win32/types.h"

namespace platform::text {

enum class PageKind { SingleByte, Utf8, Utf16Le };

struct CodePage {
    UINT number;
    PageKind kind;
    const std::array<char16_t, 128>* high;  // single-byte pages: the units of 0x80..0xFF
};

// The page behind a number (CP_ACP, CP_OEMCP and CP_THREAD_ACP included), or
// null when the layer does not know it.
const CodePage* findCodePage(UINT codePage) noexcept;
// The page, or WinError(ERROR_INVALID_PARAMETER) when unknown.
const CodePage& codePage(UINT codePage);

struct Decoded {
    std::u16string text;
    bool invalid = false;  // some input was not valid in the page (and became U+FFFD)
};
struct Encoded {
    std::string bytes;
    bool usedDefault = false;  // a character the page lacks became the default character
    bool invalid = false;      // a lone surrogate (UTF-8 output: it became U+FFFD)
};

Decoded decode(const CodePage& page, std::string_view bytes);
Encoded encode(const CodePage& page, std::u16string_view text, char defaultChar = '?');

bool isWellFormedUtf8(std::string_view bytes) noexcept;

// One unit through a single-byte page; false when the page lacks it.
bool encodeUnit(const CodePage& page, char16_t unit, char& byte) noexcept;
char16_t decodeByte(const CodePage& page, char byte) noexcept;

}  // namespace platform::text

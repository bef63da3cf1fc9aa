// Plain-text conversions of a document: 8-bit text to UTF-8, the UTF-8
// check, and the text a preview shows.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "code_pages.h"

namespace brisel {

// Converts 8-bit text in codePage to UTF-8 behind a byte-order mark,
// appended to out. A byte the code page leaves undefined is dropped and the
// rest still converted. False when a byte was dropped, or when codePage is
// not an 8-bit code page (out is then left as it was).
bool convertToUtf8(std::span<const unsigned char> text, CodePage codePage, std::vector<unsigned char>& out);

// True when the whole byte sequence is well-formed UTF-8 (a byte-order mark
// is an ordinary character).
bool isUtf8(std::span<const unsigned char> text);

// The text a preview shows of a UTF-8 document: all of it, without a
// leading byte-order mark, each NUL shown as the symbol U+2400 so that no
// part of what is signed is hidden. Nothing for a document that is not
// UTF-8.
std::optional<std::string> previewText(std::span<const unsigned char> document);

}  // namespace brisel

// Values as the request keeps them: texts turned into the bytes of their
// string type, and hexadecimal text turned into bytes.
#pragma once

#include <string_view>
#include <vector>

#include "win32/types.h"

// The bytes of a text value of a CERT_RDN_* type: the UTF-16 text itself for
// BMP and UTF-8 strings, its characters in the ANSI code page for every other
// type. False with ERROR_NO_UNICODE_TRANSLATION when the page lacks one of
// the characters, which would otherwise turn into "?" and alter the value.
bool ValueBytes(std::u16string_view text, DWORD valueType, std::vector<BYTE>& out);

// The bytes of hexadecimal text: each digit (either case) fills the next
// half byte, high half first; other characters are skipped; an "x" after a
// lone pending "0" drops it, so "0x" prefixes vanish; a last lone half byte
// is dropped.
std::vector<BYTE> HexToBytes(std::string_view text);

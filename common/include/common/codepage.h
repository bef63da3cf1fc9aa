// Conversions between narrow text in a code page and wide (UTF-16) text.
// Each gives the empty text when the conversion fails.
#pragma once

#include <string>

#include "win32/text.h"

// Wide text of the given length (in characters) to codePage (CP_UTF8 too);
// a character the page lacks becomes "?". Empty for a null text or a length
// of 0.
std::string WideToMultiByte(const char16_t* wide, int length, UINT codePage = CP_ACP);
// Multibyte text of the given length (in bytes) in codePage to wide text,
// which ends at the first NUL of the converted characters.
std::u16string String2WideChar(const char* text, int length, UINT codePage);
// The whole text with its terminating NUL through String2WideChar.
std::u16string MultiByteToWide(const std::string& text, UINT codePage);
// UTF-8 to the ANSI code page; empty for a null text.
std::string Utf8ToAnsi(const char* utf8);

// Wide-text helpers of the renewal program. Hexadecimal text, Base64 and
// code pages come from common/ (strings.h, base64.h, codepage.h) and the
// layer's platform/text.h.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "win32/types.h"

namespace halvex {

// The part of a path or URL from its last "/" to the end, the "/" included;
// empty when there is none.
std::u16string GetLastPathPart(const std::u16string& text);

// The text before and after the first separator; without it, the whole text
// and an empty second part.
std::pair<std::u16string, std::u16string> SplitPair(const std::u16string& text, const std::u16string& separator);

// The pieces between separators; with dropEmptyLast, a text that ends with
// the separator gives no empty last piece. Empty text gives no pieces.
std::vector<std::u16string> Tokenize(const std::u16string& text, const std::u16string& separator,
                                     bool dropEmptyLast);

std::u16string ChangeCase(const std::u16string& text, bool upper);

// Replaces every occurrence, searching again at the place of each
// replacement, so runs shrink completely ("a    b" with "  " -> " " gives
// "a b"). An empty pattern, or a replacement that contains the pattern
// (which would never end), leaves the text unchanged.
void ReplaceAll(std::u16string& text, const std::u16string& from, const std::u16string& to);
void EraseAll(std::u16string& text, const std::u16string& what);

// Position of pattern in text and, in *end, the position after it; -1 (and
// *end -1) for an empty pattern or no occurrence.
int FindSubstring(const std::u16string& text, const std::u16string& pattern, int* end = nullptr);

// Leading and trailing blanks removed.
std::u16string TrimSpaces(const std::u16string& text);
// Leading characters that belong to the set removed.
std::u16string EraseLeading(const std::u16string& text, const std::u16string& set);

// The dotted text of an object identifier from its DER content bytes
// (X.690 8.19); empty for a malformed list.
std::u16string OidFromDer(const std::vector<BYTE>& content);

// A version text "a.b.c.d" as four decimal numbers; missing or non-numeric
// parts are 0.
struct VersionNumbers {
    DWORD part[4] = {0, 0, 0, 0};
};
VersionNumbers ParseVersion(const std::u16string& text);

}  // namespace halvex

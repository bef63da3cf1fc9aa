// String helpers over narrow text in the ANSI code page: replacing, trimming,
// searching, splitting, hexadecimal and decimal text, and the dotted text of
// an object identifier.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "win32/types.h"

// Replaces every occurrence of from; the search goes on after the inserted
// text, so to may contain from. An empty from changes nothing.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);
// Removes every occurrence of what, and those that removals join together
// ("aabb" without "ab" is ""). An empty what changes nothing.
void EraseAll(std::string& text, const std::string& what);

// The position of the first (or, backward, the last) occurrence of pattern,
// or std::string::npos. *endPosition, when given, receives the position just
// after it, or npos; a null or empty pattern leaves it untouched.
std::size_t FindSubstring(const std::string& text, const char* pattern, std::size_t* endPosition, bool backward);

// Remove from the start, the end or both every character of the set; a null
// set changes nothing.
void TrimLeft(std::string& text, const char* characters);
void TrimRight(std::string& text, const char* characters);
void StrTrim(std::string& text, const char* characters);

// Whether pattern occurs in text, both lower-cased by the ANSI code page's
// rules; false when either is empty.
bool CaseInsensitiveFind(const std::string& text, const std::string& pattern);
// Single-byte upper-casing through toupper.
std::string ToUpper(const std::string& text);

// Appends to out the pieces of text between occurrences of the whole
// separator and the rest after the last one; with skipTrailingEmpty a text
// that ends with the separator gives no empty last piece. False, with out
// untouched, when text or separator is empty.
bool SplitString(const std::string& text, const std::string& separator, std::vector<std::string>& out,
                 bool skipTrailingEmpty);
bool SplitString(const std::u16string& text, const std::u16string& separator, std::vector<std::u16string>& out,
                 bool skipTrailingEmpty);

// Reads the text backwards up to its start or an "x"/"X" (so "0x1f" and
// "1F" are 31). "a"-"f" and "A"-"F" count 10 to 15, any other character its
// code minus that of "0", unchecked. Digits beyond the eighth wrap modulo
// 2^32 before the result is taken as signed.
INT HexToInt(const std::string& text);
// Appends one byte per two characters (the low byte of HexToInt of the
// pair) and returns the size of out; 0 for an empty text.
std::size_t HexToBytes(const std::string& text, std::vector<BYTE>& out);

// Two lower-case digits a byte; a separator, when given, goes before every
// byte whose index is a positive multiple of groupSize (groupSize 0: none).
// A wide separator gives wide text.
std::string BytesToHex(const BYTE* bytes, std::size_t count, std::size_t groupSize = 0,
                       const char* separator = nullptr);
std::u16string BytesToHex(const BYTE* bytes, std::size_t count, std::size_t groupSize, const char16_t* separator);
// Two upper-case digits a byte, with one blank between bytes when spaced.
std::string& BytesToHexGrouped(const BYTE* bytes, std::size_t count, bool spaced, std::string& out);

std::string ULongToStr(DWORD value);

// The dotted text of an object identifier from its DER content bytes (one
// byte in each integer), arcs joined by separator; arcs of any size are
// exact (2.25 UUID arcs take 128 bits). Empty when the list is empty, ends
// inside an arc, or is longer than 256 bytes.
std::string JoinStringList(const std::vector<int>& encoded, const std::string& separator);

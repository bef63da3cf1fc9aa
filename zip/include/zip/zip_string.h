// CZipString, the library's text: an owned string of the build's character
// type (ANSI bytes, or UTF-16 in the wide build), and the two name
// comparisons an archive chooses between.
#pragma once

#include <string>
#include <string_view>

#include "zip/zip_config.h"

class CZipString : public std::basic_string<ZIPCHAR> {
public:
    using Base = std::basic_string<ZIPCHAR>;
    using View = std::basic_string_view<ZIPCHAR>;

    CZipString() = default;
    // A null pointer gives an empty string.
    CZipString(const ZIPCHAR* text) : Base(text ? text : ZIPTEXT("")) {}
    CZipString(View text) : Base(text) {}
    CZipString(Base text) : Base(std::move(text)) {}
    CZipString(size_type count, ZIPCHAR c) : Base(count, c) {}

    // Every character to lower case by the user's locale rules, in place.
    void ToLower();
    CZipString Head(size_type count) const { return CZipString(substr(0, count)); }
    CZipString Tail(size_type from) const { return from < size() ? CZipString(substr(from)) : CZipString(); }
    void Clear() noexcept { clear(); }
    // Removes trailing characters found in the set / leading occurrences of c.
    void StripTrailing(View set);
    void StripLeading(ZIPCHAR c);
    // printf with the Windows rules; the result is cut at 7,167 characters.
    // On an allocation failure the string keeps its old value.
    void Printf(const ZIPCHAR* format, ...);
};

// Name comparisons: below, equal to or above zero. CompareCollated orders by
// character value; CompareCollatedNoCase by the case-folded text (the user's
// locale case rules). Both are fixed orders, independent of the process's
// locale settings, so the sorted name index can always be bisected.
int CompareCollated(const CZipString& a, const CZipString& b) noexcept;
int CompareCollatedNoCase(const CZipString& a, const CZipString& b) noexcept;
using ZIPSTRINGCOMPARE = int (*)(const CZipString&, const CZipString&) noexcept;

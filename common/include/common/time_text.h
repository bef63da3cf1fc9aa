// Texts and OLE dates of FILETIME values. Unless a name says "Local", the
// file time is taken as given, with no time-zone conversion.
#pragma once

#include <string>

#include "win32/types.h"

// "YYYYMMDDhhmmss". Char is char16_t for wide text.
template <class Char = char>
std::basic_string<Char> FileTimeToCompactString(const FILETIME& fileTime);
// The date in the user's default locale with dateFlags (DATE_SHORTDATE or
// DATE_LONGDATE), a blank, and the time in that locale.
template <class Char = char>
std::basic_string<Char> FileTimeToLocalText(DWORD dateFlags, const FILETIME& fileTime);

// The OLE automation date of the file time; 0 when it cannot be converted.
DATE FileTimeToVariantDate(const FILETIME& fileTime);
// The same after converting the file time from UTC to local time.
DATE FileTimeToLocalVariantDate(const FILETIME& fileTime);

extern template std::string FileTimeToCompactString<char>(const FILETIME&);
extern template std::u16string FileTimeToCompactString<char16_t>(const FILETIME&);
extern template std::string FileTimeToLocalText<char>(DWORD, const FILETIME&);
extern template std::u16string FileTimeToLocalText<char16_t>(DWORD, const FILETIME&);

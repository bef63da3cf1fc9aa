// Checks of the values the applicant types on the request's data page: one
// field against a set of rule flags (the failure is shown to the user), and
// the format tests those rules rest on.
#pragma once

#include <string>

#include "win32/types.h"

namespace halvex {

// Rule flags of ValidateField. They are combined by the data page, which
// also gives the length that kExactLength and kMaxLength compare with.
namespace field_rule {
inline constexpr DWORD kRequired = 0x2;                // may not be empty
inline constexpr DWORD kDigits = 0x4;                  // digits once blanks are removed
inline constexpr DWORD kBirthNumberOrDate = 0x10;      // birth number or birth date
inline constexpr DWORD kOrganisationId = 0x20;         // 8 characters with a check digit
inline constexpr DWORD kExistingFile = 0x40;           // names an existing file or folder
inline constexpr DWORD kCountryCode = 0x80;            // exactly 2 characters
inline constexpr DWORD kEmail = 0x100;                 // e-mail address form
inline constexpr DWORD kNumber = 0x200;                // decimal, or hexadecimal after "0X"
inline constexpr DWORD kAtLeast13 = 0x400;             // at least 13 characters
inline constexpr DWORD kTwoCharsEightDigits = 0x800;   // 2 characters + 8 digits
inline constexpr DWORD kDate = 0x1000;                 // dd.mm.yyyy
inline constexpr DWORD kBirthNumber = 0x2000;          // birth number
inline constexpr DWORD kExactLength = 0x4000;          // exactly the given length
inline constexpr DWORD kWarningOnly = 0x8000;          // the user may accept a failing value
inline constexpr DWORD kUnsigned32 = 0x10000;          // unsigned 32-bit number
inline constexpr DWORD kDateTime = 0x20000;            // dd.mm.yyyy hh:mm:ss
inline constexpr DWORD kCzSkIdentifier = 0x40000;      // "CZ"/"SK" + organisation id or birth number
inline constexpr DWORD kPrintable = 0x80000;           // PrintableString characters only
inline constexpr DWORD kMaxLength = 0x100000;          // at most the given length
}  // namespace field_rule

// Checks the value, trimmed of surrounding white space, against the flags;
// the first rule it breaks is shown in a message box naming the field by
// the caption string. True when the value passes, or when the rule was a
// warning (kWarningOnly) and the user answered Yes. The value itself is
// not changed.
bool ValidateField(const std::u16string& value, UINT captionId, DWORD flags, DWORD length);

// A Czech or Slovak birth number of 9 or 10 digits: a real date in its
// first six (women's months + 50), and for 10 digits the number divisible
// by 11 (or its first nine leaving 10, with 0 as the last digit).
bool IsValidBirthNumber(const std::u16string& text);

// "d.m.y" with years 0-20 read as 2000-2020, 21-99 as 1921-1999, else
// 1900-2200 as written; on success formatted is "dd.mm.yyyy".
bool IsValidDate(const std::u16string& text, std::u16string& formatted);

// "h:m" or "h:m:s" ("." may stand for ":"; a fourth part is allowed and
// ignored); a missing or empty seconds part is 0. On success formatted is
// "hh:mm:ss".
bool IsValidTime(const std::u16string& text, std::u16string& formatted);

// A date, a blank and a time; on success the text is rewritten as
// "dd.mm.yyyy hh:mm:ss", otherwise left as it was.
bool IsValidDateTime(std::u16string& text);

// Decimal digits only; the empty text passes.
bool IsDigits(const std::u16string& text);

// One "@" with a "." after it, no blank, and more than 2 characters from the
// first "." on.
bool IsValidEmail(const std::u16string& text);

// 8 digits whose last is the weighted check digit of the first seven.
bool IsValidOrgId(const std::u16string& text);

// Blanks, letters A-Z and a-z, digits and ' ( ) + , - . / : ? only.
bool IsPrintableText(const std::u16string& text);

}  // namespace halvex

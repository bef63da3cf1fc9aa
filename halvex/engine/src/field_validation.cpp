// One data-page field against its rule flags; the first broken rule is
// shown to the user.
#include "halvex/field_validation.h"

#include <utility>

#include "halvex/messages.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "win32/files.h"
#include "win32/ui.h"

namespace halvex {
namespace {

namespace msg {
constexpr UINT kEmpty = 33123;
constexpr UINT kNotBirthNumberOrDate = 33124;
constexpr UINT kWrong = 33125;
constexpr UINT kNotNumber = 33126;
constexpr UINT kBadNumber = 33127;
constexpr UINT kBadUnsigned = 33128;
constexpr UINT kNoFile = 33129;
constexpr UINT kContinueAnyway = 33130;
constexpr UINT kNotCountry = 33131;
constexpr UINT kUnder13 = 33132;
constexpr UINT kNotTwoAndEight = 33133;
constexpr UINT kNotDate = 33134;
constexpr UINT kWrongLength = 33135;
constexpr UINT kNotDateTime = 33137;
constexpr UINT kNotPrintable = 33139;
constexpr UINT kTooLong = 33140;
}  // namespace msg

std::u16string TrimWhiteSpace(const std::u16string& text) {
    static constexpr char16_t kWhiteSpace[] = u" \t\r\n\v\f";
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::u16string::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::u16string WithoutBlanks(std::u16string text) {
    EraseAll(text, u" ");
    return text;
}

std::u16string WithoutSlashesAndBlanks(std::u16string text) {
    EraseAll(text, u"/");
    return WithoutBlanks(std::move(text));
}

bool IsDateText(const std::u16string& value) {
    std::u16string formatted;
    return IsValidDate(value, formatted);
}

// The check only: the field keeps the text as typed.
bool IsDateTimeText(std::u16string value) { return IsValidDateTime(value); }

bool IsBirthNumberOrDate(const std::u16string& value) {
    const std::u16string compact = WithoutSlashesAndBlanks(value);
    return IsValidBirthNumber(compact) || IsDateText(compact);
}

// "CZ" or "SK" (any case), then an organisation identifier (8 characters)
// or a birth number, written with or without "/" (9 to 11 characters).
bool IsCzSkIdentifier(const std::u16string& value) {
    if (value.size() < 2) return false;
    const std::u16string country = ChangeCase(value.substr(0, 2), true);
    if (country != u"CZ" && country != u"SK") return false;
    const std::u16string rest = value.substr(2);
    if (rest.size() == 8) return IsValidOrgId(rest);
    return rest.size() >= 9 && rest.size() <= 11 && IsValidBirthNumber(WithoutSlashesAndBlanks(rest));
}

// Decimal digits, or "0X" and hexadecimal digits (upper-case text).
bool IsDecimalOrHexText(const std::u16string& upper) {
    if (upper.find_first_not_of(u"0123456789ABCDEFX") != std::u16string::npos) return false;
    const auto x = upper.find(u'X');
    if (x == std::u16string::npos) return upper.find_first_of(u"ABCDEF") == std::u16string::npos;
    return x == 1 && upper[0] == u'0' && upper.find(u'X', 2) == std::u16string::npos;
}

// As above, and within 32 bits: a decimal number written as "%u" writes it
// (no leading zero), a hexadecimal one in at most 10 characters.
bool IsUnsigned32Text(const std::u16string& upper) {
    if (!IsDecimalOrHexText(upper)) return false;
    if (upper.find(u'X') != std::u16string::npos) return upper.size() <= 10;
    if (upper.size() > 10 || (upper.size() > 1 && upper[0] == u'0')) return false;
    unsigned long long number = 0;
    for (char16_t c : upper) number = number * 10 + static_cast<unsigned>(c - u'0');
    return number <= 0xFFFFFFFFull;
}

bool IsTwoCharsAndEightDigits(const std::u16string& value) {
    return value.size() == 10 && IsDigits(value.substr(2));
}

bool NamesExistingFile(const std::u16string& value) {
    return GetFileAttributesW(value.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The message of the first rule the (trimmed) value breaks; 0 when it
// keeps them all.
UINT BrokenRule(const std::u16string& value, DWORD flags, DWORD length) {
    using namespace field_rule;
    const auto has = [flags](DWORD flag) { return (flags & flag) != 0; };
    if (value.empty()) return has(kRequired) ? msg::kEmpty : 0;
    if (has(kBirthNumberOrDate) && !IsBirthNumberOrDate(value)) return msg::kNotBirthNumberOrDate;
    if (has(kBirthNumber) && !IsValidBirthNumber(WithoutSlashesAndBlanks(value))) return msg::kWrong;
    if (has(kOrganisationId) && !IsValidOrgId(value)) return msg::kWrong;
    if (has(kCzSkIdentifier) && !IsCzSkIdentifier(value)) return msg::kWrong;
    if (has(kDigits) && !IsDigits(WithoutBlanks(value))) return msg::kNotNumber;
    const std::u16string upper = ChangeCase(value, true);
    if (has(kNumber) && !IsDecimalOrHexText(upper)) return msg::kBadNumber;
    if (has(kUnsigned32) && !IsUnsigned32Text(upper)) return msg::kBadUnsigned;
    if (has(kExistingFile) && !NamesExistingFile(value)) return msg::kNoFile;
    if (has(kEmail) && !IsValidEmail(value)) return msg::kWrong;
    if (has(kCountryCode) && value.size() != 2) return msg::kNotCountry;
    if (has(kAtLeast13) && value.size() < 13) return msg::kUnder13;
    if (has(kTwoCharsEightDigits) && !IsTwoCharsAndEightDigits(value)) return msg::kNotTwoAndEight;
    if (has(kDate) && !IsDateText(value)) return msg::kNotDate;
    if (has(kDateTime) && !IsDateTimeText(value)) return msg::kNotDateTime;
    if (has(kExactLength) && value.size() != length) return msg::kWrongLength;
    if (has(kMaxLength) && value.size() > length) return msg::kTooLong;
    if (has(kPrintable) && !IsPrintableText(value)) return msg::kNotPrintable;
    return 0;
}

}  // namespace

bool ValidateField(const std::u16string& value, UINT captionId, DWORD flags, DWORD length) {
    const UINT broken = BrokenRule(TrimWhiteSpace(value), flags, length);
    if (broken == 0) return true;
    const std::u16string caption = LoadResString(captionId);
    // Every message takes the caption; the length ones take the length too.
    std::u16string message = FormatResString(broken, caption.c_str(), static_cast<int>(length));
    if ((flags & field_rule::kWarningOnly) == 0) {
        AppMessageBox(message, MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    message += u"\n" + LoadResString(msg::kContinueAnyway);
    return AppMessageBox(message, MB_ICONEXCLAMATION | MB_YESNOCANCEL) == IDYES;
}

}  // namespace halvex

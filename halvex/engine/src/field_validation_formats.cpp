// The format tests behind the data page's field rules.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "halvex/field_validation.h"
#include "platform/text.h"

namespace halvex {
namespace {

// More digits than any day, month, year or time part can sensibly hold;
// keeps the reading within int.
constexpr std::size_t kMaxNumberDigits = 9;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int DigitValue(char16_t c) { return c - u'0'; }

// The number a date or time part holds, blanks around it allowed; nothing
// for an empty part or one with anything but digits.
std::optional<int> ReadNumber(std::u16string_view part) {
    const auto first = part.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return std::nullopt;
    part = part.substr(first, part.find_last_not_of(u' ') - first + 1);
    if (part.size() > kMaxNumberDigits || !std::all_of(part.begin(), part.end(), IsDigit)) return std::nullopt;
    int value = 0;
    for (char16_t c : part) value = value * 10 + DigitValue(c);
    return value;
}

// The two digits at a place of a birth number; nothing when a "/" stands
// there.
std::optional<int> TwoDigits(const std::u16string& text, std::size_t at) {
    if (!IsDigit(text[at]) || !IsDigit(text[at + 1])) return std::nullopt;
    return DigitValue(text[at]) * 10 + DigitValue(text[at + 1]);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsRealDate(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// The year a date's year part stands for: 0-20 this century, 21-99 the
// last one, a full year from 1900 to 2200 as written.
std::optional<int> FullYear(int written) {
    if (written <= 20) return 2000 + written;
    if (written <= 99) return 1900 + written;
    if (written < 1900 || written > 2200) return std::nullopt;
    return written;
}

std::u16string FormatTriple(const char* format, int first, int second, int third) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, first, second, third);
    return platform::text::fromUtf8(buffer);
}

std::vector<std::u16string_view> SplitAll(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string_view> parts;
    for (std::size_t at = 0;;) {
        const auto end = text.find(separator, at);
        parts.push_back(text.substr(at, end == std::u16string_view::npos ? std::u16string_view::npos : end - at));
        if (end == std::u16string_view::npos) return parts;
        at = end + 1;
    }
}

// A seconds (or further) part: missing or empty counts as 0.
std::optional<int> ReadOptionalNumber(const std::vector<std::u16string_view>& parts, std::size_t index) {
    if (index >= parts.size() || parts[index].find_first_not_of(u' ') == std::u16string_view::npos) return 0;
    return ReadNumber(parts[index]);
}

}  // namespace

bool IsValidBirthNumber(const std::u16string& text) {
    if (text.size() != 9 && text.size() != 10) return false;
    if (!std::all_of(text.begin(), text.end(), [](char16_t c) { return IsDigit(c) || c == u'/'; })) return false;
    const auto year = TwoDigits(text, 0);
    auto month = TwoDigits(text, 2);
    const auto day = TwoDigits(text, 4);
    if (!year || !month || !day) return false;
    if (*month >= 51 && *month <= 62) *month -= 50;
    if (!IsRealDate(*year <= 20 ? 2000 + *year : 1900 + *year, *month, *day)) return false;
    if (text.size() == 9) return true;
    if (!IsDigits(text)) return false;

    int alternatingSum = 0;
    long long firstNine = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        const int digit = DigitValue(text[i]);
        alternatingSum += i % 2 == 0 ? digit : -digit;
        if (i < 9) firstNine = firstNine * 10 + digit;
    }
    return alternatingSum % 11 == 0 || (firstNine % 11 == 10 && text[9] == u'0');
}

bool IsValidDate(const std::u16string& text, std::u16string& formatted) {
    const auto first = text.find(u'.');
    const auto last = text.rfind(u'.');
    if (first == std::u16string::npos || first == 0 || last < first + 2) return false;
    const std::u16string_view view(text);
    const auto day = ReadNumber(view.substr(0, first));
    const auto month = ReadNumber(view.substr(first + 1, last - first - 1));
    const auto written = ReadNumber(view.substr(last + 1));
    if (!day || !month || !written) return false;
    const auto year = FullYear(*written);
    if (!year || !IsRealDate(*year, *month, *day)) return false;
    formatted = FormatTriple("%02i.%02i.%04i", *day, *month, *year);
    return true;
}

bool IsValidTime(const std::u16string& text, std::u16string& formatted) {
    std::u16string colons = text;
    std::replace(colons.begin(), colons.end(), u'.', u':');
    const auto parts = SplitAll(colons, u':');
    if (parts.size() < 2 || parts.size() > 4) return false;
    const auto hours = ReadNumber(parts[0]);
    const auto minutes = ReadNumber(parts[1]);
    const auto seconds = ReadOptionalNumber(parts, 2);
    if (!hours || !minutes || !seconds || !ReadOptionalNumber(parts, 3)) return false;
    if (*hours > 23 || *minutes > 59 || *seconds > 59) return false;
    formatted = FormatTriple("%02i:%02i:%02i", *hours, *minutes, *seconds);
    return true;
}

bool IsValidDateTime(std::u16string& text) {
    const auto blank = text.find(u' ');
    if (blank == std::u16string::npos) return false;
    std::u16string date;
    std::u16string time;
    if (!IsValidDate(text.substr(0, blank), date) || !IsValidTime(text.substr(blank + 1), time)) return false;
    text = date + u" " + time;
    return true;
}

bool IsDigits(const std::u16string& text) { return std::all_of(text.begin(), text.end(), IsDigit); }

bool IsValidEmail(const std::u16string& text) {
    if (text.empty() || text.find(u' ') != std::u16string::npos) return false;
    const auto at = text.find(u'@');
    if (at == std::u16string::npos || text.find(u'@', at + 1) != std::u16string::npos) return false;
    if (text.find(u'.', at + 1) == std::u16string::npos) return false;
    return text.size() - text.find(u'.') > 2;
}

bool IsValidOrgId(const std::u16string& text) {
    if (text.size() != 8 || !IsDigits(text)) return false;
    int sum = 0;
    for (std::size_t i = 0; i < 7; ++i) sum += static_cast<int>(8 - i) * DigitValue(text[i]);
    return DigitValue(text[7]) == (11 - sum % 11) % 10;
}

bool IsPrintableText(const std::u16string& text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) {
        return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
               std::u16string_view(u" '()+,-./:?").find(c) != std::u16string_view::npos;
    });
}

}  // namespace halvex

#include "variant_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win_error.h"
#include "win32/datetime.h"

namespace platform::com {

namespace {

LANGID languageOf(LCID lcid) {
    if (lcid == 0 || lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT) lcid = GetUserDefaultLCID();
    return static_cast<LANGID>(lcid & 0x3FF);
}

bool usesDecimalComma(LCID lcid) {
    const LANGID primary = languageOf(lcid);
    return primary == (LOCALE_CS_CZ & 0x3FF) || primary == (LOCALE_SK_SK & 0x3FF);
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads an unsigned decimal number of 1..max digits at `at`.
std::optional<int> readInt(std::u16string_view text, std::size_t& at, int maxDigits) {
    int value = 0;
    int digits = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= u'0' && text[at] <= u'9') {
        value = value * 10 + (text[at++] - u'0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

bool expect(std::u16string_view text, std::size_t& at, char16_t c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

// "H:MM[:SS][ AM|PM]" from `at` to the end; the fraction of a day.
std::optional<double> readTime(std::u16string_view text, std::size_t at) {
    const auto hour = readInt(text, at, 2);
    if (!hour || !expect(text, at, u':')) return std::nullopt;
    const auto minute = readInt(text, at, 2);
    int second = 0;
    if (!minute) return std::nullopt;
    if (expect(text, at, u':')) {
        const auto s = readInt(text, at, 2);
        if (!s) return std::nullopt;
        second = *s;
    }
    int h = *hour;
    while (at < text.size() && isBlank(text[at])) ++at;
    const std::u16string_view marker = text.substr(at);
    if (marker == u"AM" || marker == u"am" || marker == u"PM" || marker == u"pm") {
        if (h < 1 || h > 12) return std::nullopt;
        h = (h % 12) + (marker[0] == u'P' || marker[0] == u'p' ? 12 : 0);
    } else if (!marker.empty()) {
        return std::nullopt;
    }
    if (h > 23 || *minute > 59 || second > 59) return std::nullopt;
    return (h * 3600.0 + *minute * 60.0 + second) / 86400.0;
}

std::optional<DATE> dateOf(int year, int month, int day) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    DATE date = 0;
    if (year < 100 || !SystemTimeToVariantTime(&st, &date)) return std::nullopt;
    return date;
}

std::u16string bufferText(const std::vector<WCHAR>& buffer, int written) {
    return written > 0 ? std::u16string(buffer.data(), static_cast<std::size_t>(written - 1)) : std::u16string();
}

}  // namespace

std::optional<double> parseNumber(std::u16string_view text, LCID lcid) {
    text = trimmed(text);
    const char16_t separator = usesDecimalComma(lcid) ? u',' : u'.';
    std::string plain;
    bool digits = false;
    bool point = false;
    bool exponent = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool signAllowed = i == 0 || (exponent && (plain.back() == 'e'));
        if (c >= u'0' && c <= u'9') {
            plain += static_cast<char>(c);
            digits = true;
        } else if ((c == u'+' || c == u'-') && signAllowed) {
            plain += static_cast<char>(c);
        } else if (c == separator && !point && !exponent) {
            plain += '.';
            point = true;
        } else if ((c == u'e' || c == u'E') && digits && !exponent) {
            plain += 'e';
            exponent = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits || plain.back() == 'e' || plain.back() == '+' || plain.back() == '-') return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size()) return std::nullopt;
    return value;
}

std::u16string formatNumber(double value, LCID lcid) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::u16string out;
    for (const char* p = buffer; *p; ++p)
        out += (*p == '.' && usesDecimalComma(lcid)) ? u',' : static_cast<char16_t>(*p);
    return out;
}

std::optional<DATE> parseDate(std::u16string_view text, LCID lcid) {
    text = trimmed(text);
    std::size_t at = 0;
    const auto first = readInt(text, at, 4);
    if (!first) return std::nullopt;
    if (at < text.size() && text[at] == u':') return readTime(text, 0);
    int year = 0, month = 0, day = 0;
    if (expect(text, at, u'-')) {  // ISO: year-month-day
        const auto m = readInt(text, at, 2);
        if (!m || !expect(text, at, u'-')) return std::nullopt;
        const auto d = readInt(text, at, 2);
        if (!d) return std::nullopt;
        year = *first, month = *m, day = *d;
    } else {
        const char16_t separator = usesDecimalComma(lcid) ? u'.' : u'/';
        if (!expect(text, at, separator)) return std::nullopt;
        const auto second = readInt(text, at, 2);
        if (!second || !expect(text, at, separator)) return std::nullopt;
        const auto y = readInt(text, at, 4);
        if (!y) return std::nullopt;
        year = *y;
        month = separator == u'.' ? *second : *first;
        day = separator == u'.' ? *first : *second;
    }
    auto date = dateOf(year, month, day);
    if (!date) return std::nullopt;
    if (at == text.size()) return date;
    if (!isBlank(text[at])) return std::nullopt;
    while (at < text.size() && isBlank(text[at])) ++at;
    const auto time = readTime(text, at);
    if (!time) return std::nullopt;
    return *date >= 0 ? *date + *time : *date - *time;
}

std::u16string formatDate(DATE value, LCID lcid) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(value, &st)) throw WinError(DISP_E_OVERFLOW, "date out of range");
    std::vector<WCHAR> buffer(128);
    std::u16string out;
    const bool dayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
    const bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
    if (!dayZero || midnight)
        out = bufferText(buffer, GetDateFormatW(lcid, DATE_SHORTDATE, &st, nullptr, buffer.data(),
                                                static_cast<int>(buffer.size())));
    if (!midnight) {
        if (!out.empty()) out += u' ';
        out += bufferText(buffer, GetTimeFormatW(lcid, 0, &st, nullptr, buffer.data(), static_cast<int>(buffer.size())));
    }
    return out;
}

}  // namespace platform::com

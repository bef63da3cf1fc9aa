#include "date_picture.h"

#include <vector>

#include "calendar.h"
#include "win32/datetime.h"

namespace platform::locale {

namespace {

struct Token {
    char16_t letter;  // 0 for literal text
    std::size_t count;
    std::u16string text;
};

// Splits a picture into fields (runs of one of the letters) and literals.
std::vector<Token> tokenize(std::u16string_view picture, std::u16string_view letters) {
    std::vector<Token> tokens;
    auto literal = [&]() -> std::u16string& {
        if (tokens.empty() || tokens.back().letter != 0) tokens.push_back({0, 0, {}});
        return tokens.back().text;
    };
    for (std::size_t i = 0; i < picture.size();) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                literal() += u'\'';
                i += 2;
                continue;
            }
            std::u16string& text = literal();
            for (++i; i < picture.size(); ++i) {
                if (picture[i] != u'\'') {
                    text += picture[i];
                } else if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                    text += u'\'';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else if (letters.find(c) != std::u16string_view::npos) {
            std::size_t n = 1;
            while (i + n < picture.size() && picture[i + n] == c) ++n;
            tokens.push_back({c, n, {}});
            i += n;
        } else {
            literal() += c;
            ++i;
        }
    }
    return tokens;
}

std::u16string number(unsigned value, std::size_t minDigits) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    while (digits.size() < minDigits) digits.insert(digits.begin(), u'0');
    return digits;
}

std::u16string joined(const std::vector<Token>& tokens, auto field) {
    std::u16string out;
    for (const Token& t : tokens) out += t.letter ? field(t) : t.text;
    return out;
}

// Drops the fields of one letter, each with the separator that joins it to
// the rest of the text.
void removeFields(std::vector<Token>& tokens, char16_t letter) {
    for (std::size_t i = 0; i < tokens.size();) {
        if (tokens[i].letter != letter) {
            ++i;
            continue;
        }
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
        if (i > 0 && tokens[i - 1].letter == 0) {
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i - 1));
            --i;
        } else if (i < tokens.size() && tokens[i].letter == 0) {
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

}  // namespace

std::u16string formatDate(const LocaleData& locale, const SYSTEMTIME& date, std::u16string_view picture) {
    const std::vector<Token> tokens = tokenize(picture, u"dMyg");
    bool dayNumberShown = false;  // month names then take the genitive: "1. ledna"
    for (const Token& t : tokens) dayNumberShown |= t.letter == u'd' && t.count <= 2;
    const WORD weekday = calendar::weekdayOfDays(calendar::daysFromCivil({date.wYear, date.wMonth, date.wDay}));
    const std::size_t month = date.wMonth - 1u;
    return joined(tokens, [&](const Token& t) -> std::u16string {
        switch (t.letter) {
            case u'd':
                if (t.count <= 2) return number(date.wDay, t.count);
                return std::u16string(t.count == 3 ? locale.abbreviatedDays[weekday] : locale.days[weekday]);
            case u'M':
                if (t.count <= 2) return number(date.wMonth, t.count);
                if (t.count == 3) return std::u16string(locale.abbreviatedMonths[month]);
                return std::u16string(dayNumberShown ? locale.genitiveMonths[month] : locale.months[month]);
            case u'y':
                if (t.count == 1) return number(date.wYear % 10u, 1);
                if (t.count == 2) return number(date.wYear % 100u, 2);
                return number(date.wYear, 4);
            default: return {};  // era: the Gregorian calendar shows none
        }
    });
}

std::u16string formatTime(const LocaleData& locale, const SYSTEMTIME& time, std::u16string_view picture,
                          DWORD timeFlags) {
    std::vector<Token> tokens = tokenize(picture, u"hHmst");
    if (timeFlags & TIME_NOMINUTESORSECONDS) removeFields(tokens, u'm');
    if (timeFlags & (TIME_NOMINUTESORSECONDS | TIME_NOSECONDS)) removeFields(tokens, u's');
    if (timeFlags & TIME_NOTIMEMARKER) removeFields(tokens, u't');
    const bool force24 = (timeFlags & TIME_FORCE24HOURFORMAT) != 0;
    const std::u16string_view marker = time.wHour < 12 ? locale.am : locale.pm;
    return joined(tokens, [&](const Token& t) -> std::u16string {
        const std::size_t digits = t.count >= 2 ? 2 : 1;
        switch (t.letter) {
            case u'h':
                if (!force24) return number(time.wHour % 12 == 0 ? 12u : time.wHour % 12u, digits);
                [[fallthrough]];
            case u'H': return number(time.wHour, digits);
            case u'm': return number(time.wMinute, digits);
            case u's': return number(time.wSecond, digits);
            default: return std::u16string(t.count == 1 ? marker.substr(0, 1) : marker);
        }
    });
}

}  // namespace platform::locale

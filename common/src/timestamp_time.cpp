// timestamp_time.cpp: GeneralizedTime text to FILETIME.
#include "common/timestamp_time.h"

#include <cctype>

namespace {

bool Digits(const std::string& text, std::size_t from, std::size_t count, WORD& value) {
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = static_cast<WORD>(value * 10 + (text[i] - '0'));
    }
    return true;
}

}  // namespace

FILETIME ParseGeneralizedTime(const std::string& text) {
    const FILETIME none{};
    SYSTEMTIME time{};
    if (!Digits(text, 0, 4, time.wYear) || !Digits(text, 4, 2, time.wMonth) || !Digits(text, 6, 2, time.wDay) ||
        !Digits(text, 8, 2, time.wHour) || !Digits(text, 10, 2, time.wMinute) || !Digits(text, 12, 2, time.wSecond))
        return none;
    std::size_t at = 14;
    if (at < text.size() && text[at] == '.') {
        const std::size_t digits = text.find_first_not_of("0123456789", ++at);
        if (digits == std::string::npos || digits == at) return none;
        // ".5" is 500 ms, ".25" 250 ms, ".125" 125 ms.
        WORD scale = 100;
        for (std::size_t i = at; i < digits && i < at + 3; ++i, scale /= 10)
            time.wMilliseconds = static_cast<WORD>(time.wMilliseconds + (text[i] - '0') * scale);
        at = digits;
    }
    if (at + 1 != text.size() || text[at] != 'Z') return none;
    FILETIME result{};
    return SystemTimeToFileTime(&time, &result) ? result : none;
}

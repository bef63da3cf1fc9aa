#include "der_time.h"

#include <algorithm>

namespace asn1view {

namespace {

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool IsDerTime(std::string_view text, bool utc) {
    const std::size_t digits = utc ? 12 : 14;
    if (text.size() < digits + 1 || text.back() != 'Z' || !AllDigits(text.substr(0, digits))) return false;
    const std::string_view fraction = text.substr(digits, text.size() - digits - 1);
    if (fraction.empty()) return true;
    return !utc && fraction.size() >= 2 && fraction[0] == '.' && AllDigits(fraction.substr(1)) &&
           fraction.back() != '0';
}

}  // namespace asn1view

// hex_decimal.cpp: the decimal digits are kept least significant first and
// multiplied by 16, plus the digit's value, for each hexadecimal digit read.
#include "common/hex_decimal.h"

#include <vector>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool HexToDecimal(std::string_view hex, std::string& out) {
    if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
    if (hex.empty()) return false;
    std::vector<int> digits{0};  // decimal, least significant first
    for (const char c : hex) {
        int carry = hexValue(c);
        if (carry < 0) return false;
        for (int& digit : digits) {
            const int value = digit * 16 + carry;
            digit = value % 10;
            carry = value / 10;
        }
        for (; carry; carry /= 10) digits.push_back(carry % 10);
    }
    std::string text;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it)
        if (!text.empty() || *it != 0) text += static_cast<char>('0' + *it);
    out = text.empty() ? "0" : text;
    return true;
}

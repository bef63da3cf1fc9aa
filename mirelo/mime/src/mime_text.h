// Character classes and small text helpers shared by the coders, the
// header and the body.
#pragma once

#include <string>
#include <string_view>

namespace mime_text {

inline bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }
inline bool IsSpecial(unsigned char c) {
    return std::string_view("\"(),.:;<=>@[\\]").find(static_cast<char>(c)) != std::string_view::npos;
}
// A byte that may stand in a token: 128 and above, or above 32 and not special.
inline bool IsTokenChar(unsigned char c) { return c >= 128 || (c > 32 && c != 127 && !IsSpecial(c)); }
// The value of a hexadecimal digit of either case, -1 for any other byte.
int HexValue(unsigned char c);
// '=' and two upper-case hexadecimal digits.
void AppendHexEscape(std::string& out, unsigned char c);

bool EqualNoCase(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view text);

// Appends text to out, breaking a line that has reached 76 characters by
// inserting `lineBreak` before the last whitespace seen on it.
class LineFolder {
public:
    LineFolder(std::string& out, std::string_view lineBreak, size_t lineStart);
    void Put(char c);
    void Put(std::string_view text);

private:
    std::string& m_out;
    std::string_view m_break;
    size_t m_lineStart;
    size_t m_lastBlank = std::string::npos;
};

}  // namespace mime_text

#include "mime_text.h"

namespace mime_text {

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendHexEscape(std::string& out, unsigned char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += '=';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsSpace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && IsSpace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

LineFolder::LineFolder(std::string& out, std::string_view lineBreak, size_t lineStart)
    : m_out(out), m_break(lineBreak), m_lineStart(lineStart) {}

void LineFolder::Put(char c) {
    if (c == '\r' || c == '\n') {
        m_out += c;
        m_lineStart = m_out.size();
        m_lastBlank = std::string::npos;
        return;
    }
    if (m_out.size() - m_lineStart >= 76 && m_lastBlank != std::string::npos) {
        m_out.insert(m_lastBlank, m_break);
        m_lineStart = m_lastBlank + 2;  // after the inserted CR LF
        m_lastBlank = std::string::npos;
    }
    m_out += c;
    if (IsBlank(static_cast<unsigned char>(c)) && m_out.size() - 1 > m_lineStart) m_lastBlank = m_out.size() - 1;
}

void LineFolder::Put(std::string_view text) {
    for (char c : text) Put(c);
}

}  // namespace mime_text

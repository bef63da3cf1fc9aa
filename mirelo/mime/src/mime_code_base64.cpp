// Base64 (RFC 4648 section 4).
#include <algorithm>
#include <cstring>

#include "mime/mime_coder.h"
#include "mime_text.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLine = 76;

int Sextet(unsigned char c) {
    const char* found = c == 0 ? nullptr : std::strchr(kAlphabet, c);
    return found ? static_cast<int>(found - kAlphabet) : -1;
}

}  // namespace

std::string CMimeCodeBase64::Encode(std::string_view input) const {
    std::string out;
    out.reserve((input.size() + 2) / 3 * 4 * 78 / 76 + 2);
    size_t onLine = 0;
    auto put = [&](char c) {
        out += c;
        if (m_lineBreaks && ++onLine == kLine) {
            out += "\r\n";
            onLine = 0;
        }
    };
    for (size_t i = 0; i < input.size(); i += 3) {
        const size_t n = std::min<size_t>(3, input.size() - i);
        unsigned value = 0;
        for (size_t k = 0; k < 3; ++k)
            value = value << 8 | (k < n ? static_cast<unsigned char>(input[i + k]) : 0u);
        put(kAlphabet[value >> 18 & 63]);
        put(kAlphabet[value >> 12 & 63]);
        put(n > 1 ? kAlphabet[value >> 6 & 63] : '=');
        put(n > 2 ? kAlphabet[value & 63] : '=');
    }
    return out;
}

std::optional<std::string> CMimeCodeBase64::Decode(std::string_view input) const {
    std::string out;
    out.reserve(input.size() / 4 * 3 + 3);
    unsigned value = 0;
    int bits = 0;
    for (const char ch : input) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '=') break;
        if (mime_text::IsSpace(c)) continue;
        const int sextet = Sextet(c);
        if (sextet < 0) return std::nullopt;
        value = (value << 6 | static_cast<unsigned>(sextet)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>(value >> bits & 0xFF);
        }
    }
    return out;
}

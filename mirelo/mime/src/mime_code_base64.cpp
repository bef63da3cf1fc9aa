// Base64 (RFC 4648 section 4). Documents of many megabytes pass through
// here on every signature, so both directions work from tables.
#include <algorithm>
#include <array>

#include "mime/mime_coder.h"
#include "mime_text.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kLine = 76;
constexpr signed char kNoSextet = -1;

// Each byte's sextet, or kNoSextet for a byte outside the alphabet.
constexpr std::array<signed char, 256> kSextets = [] {
    std::array<signed char, 256> table{};
    table.fill(kNoSextet);
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    return table;
}();

}  // namespace

std::string CMimeCodeBase64::Encode(std::string_view input) const {
    const size_t characters = (input.size() + 2) / 3 * 4;
    std::string out(characters + (m_lineBreaks ? characters / kLine * 2 : 0), '\0');
    char* at = out.data();
    size_t onLine = 0;
    auto put = [&](char c) {
        *at++ = c;
        if (m_lineBreaks && ++onLine == kLine) {
            *at++ = '\r';
            *at++ = '\n';
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
    out.resize(static_cast<size_t>(at - out.data()));
    return out;
}

std::optional<std::string> CMimeCodeBase64::Decode(std::string_view input) const {
    std::string out(input.size() / 4 * 3 + 3, '\0');
    char* at = out.data();
    unsigned value = 0;
    int bits = 0;
    for (const char ch : input) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const int sextet = kSextets[c];
        if (sextet == kNoSextet) {
            if (c == '=') break;
            if (mime_text::IsSpace(c)) continue;
            return std::nullopt;
        }
        value = (value << 6 | static_cast<unsigned>(sextet)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            *at++ = static_cast<char>(value >> bits & 0xFF);
        }
    }
    out.resize(static_cast<size_t>(at - out.data()));
    return out;
}

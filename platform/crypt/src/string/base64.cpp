#include "string/base64.h"

namespace platform::crypt::base64 {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLine = 64;

int valueOf(char16_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string encode(std::span<const BYTE> bytes, std::string_view newline) {
    std::string chars;
    chars.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        const DWORD group = (static_cast<DWORD>(bytes[i]) << 16) | (n > 1 ? bytes[i + 1] << 8 : 0) |
                            (n > 2 ? bytes[i + 2] : 0);
        for (std::size_t k = 0; k < 4; ++k) chars.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
    std::string out;
    for (std::size_t i = 0; i < chars.size(); i += kLine) {
        out.append(chars, i, kLine);
        out.append(newline);
    }
    return out;
}

std::optional<std::vector<BYTE>> decode(std::u16string_view text) {
    std::vector<BYTE> out;
    DWORD group = 0;
    int count = 0;
    int padding = 0;
    for (char16_t c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            if (count < 2 || ++padding + count > 4) return std::nullopt;
            continue;
        }
        const int v = valueOf(c);
        if (v < 0 || padding) return std::nullopt;
        group = (group << 6) | static_cast<DWORD>(v);
        if (++count == 4) {
            out.push_back(static_cast<BYTE>(group >> 16));
            out.push_back(static_cast<BYTE>(group >> 8));
            out.push_back(static_cast<BYTE>(group));
            group = 0;
            count = 0;
        }
    }
    if (padding && count + padding != 4) return std::nullopt;
    if (count == 1) return std::nullopt;
    if (count == 2) out.push_back(static_cast<BYTE>(group >> 4));
    if (count == 3) {
        out.push_back(static_cast<BYTE>(group >> 10));
        out.push_back(static_cast<BYTE>(group >> 2));
    }
    return out;
}

}  // namespace platform::crypt::base64

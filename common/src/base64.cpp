// base64.cpp: the Base64 codec. One pass over the caller's buffers; sizes
// are worked out in 64 bits so that a huge input cannot wrap them.
#include "common/base64.h"

#include <cstddef>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr DWORD kLineLength = 72;
constexpr DWORD kReadToNul = 0xFFFFFFFFu;
constexpr int kPad = 64;
constexpr int kSkip = -1;

int valueOf(BYTE c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    if (c == '=') return kPad;
    return kSkip;
}

bool inAlphabet(BYTE c) {
    const int v = valueOf(c);
    return v != kSkip && v != kPad;
}

BYTE* encode(DWORD flags, const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outputLength) {
    const bool lineBreaks = (flags & BASE64_NO_LINE_BREAKS) == 0;
    const bool lfOnly = (flags & BASE64_LF_ONLY) != 0;
    const DWORD required = Base64EncodedSize(inputLength, lineBreaks ? kLineLength : 0, lfOnly ? 1 : 2);
    if (!outputLength) return nullptr;
    if (required == 0) {  // does not fit in 32 bits
        *outputLength = 0;
        return nullptr;
    }
    if (!output || *outputLength < required) {
        *outputLength = required;
        return nullptr;
    }
    if (!input) return nullptr;

    BYTE* out = output;
    auto endLine = [&] {
        if (!lfOnly) *out++ = '\r';
        *out++ = '\n';
    };
    DWORD groupsOnLine = 0;
    for (std::size_t i = 0; i < inputLength; i += 3) {
        const std::size_t left = inputLength - i;
        const BYTE b0 = input[i];
        const BYTE b1 = left > 1 ? input[i + 1] : 0;
        const BYTE b2 = left > 2 ? input[i + 2] : 0;
        *out++ = kAlphabet[b0 >> 2];
        *out++ = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        *out++ = left > 1 ? kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)] : '=';
        *out++ = left > 2 ? kAlphabet[b2 & 0x3F] : '=';
        if (lineBreaks && ++groupsOnLine == kLineLength / 4) {
            endLine();
            groupsOnLine = 0;
        }
    }
    if (lineBreaks && groupsOnLine > 0) endLine();
    *out = 0;
    *outputLength = required;
    return output;
}

// The characters of the input: at most `limit` of them (all up to the NUL
// for kReadToNul), never past a NUL.
struct Text {
    const BYTE* data;
    DWORD limit;
    bool has(std::size_t i) const { return (limit == kReadToNul || i < limit) && data[i] != 0; }
    bool isDash(std::size_t i) const { return has(i) && data[i] == '-'; }
    bool fiveDashes(std::size_t i) const {
        for (std::size_t k = 0; k < 5; ++k)
            if (!isDash(i + k)) return false;
        return true;
    }
};

// Skips an armour line such as "-----BEGIN CERTIFICATE-----". Sets start to
// the first character of the body; false when the armour is malformed.
bool findBody(const Text& text, std::size_t& start, bool& armoured) {
    std::size_t i = 0;
    while (text.has(i) && !text.isDash(i) && !inAlphabet(text.data[i])) ++i;
    armoured = text.isDash(i);
    if (!armoured) {
        start = 0;
        return true;
    }
    if (!text.fiveDashes(i)) return false;
    i += 5;
    while (text.has(i) && !text.isDash(i)) ++i;  // the label
    if (!text.fiveDashes(i)) return false;
    start = i + 5;
    return true;
}

BYTE* decode(const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outputLength) {
    if (!outputLength || !input) return nullptr;
    const Text text{input, inputLength};
    std::size_t start = 0;
    bool armoured = false;
    if (!findBody(text, start, armoured)) {
        *outputLength = 0;
        return nullptr;
    }

    const DWORD capacity = *outputLength;
    DWORD count = 0;
    auto put = [&](int byte) {
        if (output && count < capacity) output[count] = static_cast<BYTE>(byte);
        ++count;
    };
    int group[4];
    int filled = 0;
    for (std::size_t i = start; text.has(i); ++i) {
        if (armoured && text.isDash(i)) break;  // the closing armour line
        const int v = valueOf(text.data[i]);
        if (v == kSkip) continue;
        group[filled++] = v;
        if (filled < 4) continue;
        filled = 0;
        if (group[0] == kPad || group[1] == kPad) {
            *outputLength = 0;
            return nullptr;
        }
        put((group[0] << 2) | (group[1] >> 4));
        if (group[2] == kPad) break;
        put(((group[1] & 0x0F) << 4) | (group[2] >> 2));
        if (group[3] == kPad) break;
        put(((group[2] & 0x03) << 6) | group[3]);
    }
    *outputLength = count;
    return output && count <= capacity ? output : nullptr;
}

}  // namespace

DWORD Base64EncodedSize(DWORD inputLength, DWORD lineLength, DWORD lineEndLength) {
    const ULONGLONG groups = (static_cast<ULONGLONG>(inputLength) + 2) / 3;
    ULONGLONG size = 4 * groups + 1;
    if (lineLength >= 4) {
        const ULONGLONG groupsPerLine = lineLength / 4;
        size += (groups + groupsPerLine - 1) / groupsPerLine * lineEndLength;
    }
    return size > 0xFFFFFFFFu ? 0 : static_cast<DWORD>(size);
}

BYTE* Base64Codec(DWORD flags, const BYTE* input, DWORD inputLength, BYTE* output, DWORD* outputLength) {
    if (flags & BASE64_ENCODE) return encode(flags, input, inputLength, output, outputLength);
    if (flags & BASE64_DECODE) return decode(input, inputLength, output, outputLength);
    return nullptr;
}

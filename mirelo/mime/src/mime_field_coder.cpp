// Header field values: segments with bytes of 128 and above become encoded
// words on storing; encoded words are decoded on loading.
#include "mime/mime_field_coder.h"
#include "mime/mime_coder.h"
#include "mime_text.h"

namespace {

// The end of the segment that starts at `at`: a quoted string, a comment or
// an address in angle brackets whole, a blank or special character alone,
// else a run of other characters.
size_t SegmentEnd(std::string_view value, size_t at) {
    const char c = value[at];
    auto closing = [&](char close) {
        int depth = 0;
        for (size_t i = at; i < value.size(); ++i) {
            if (value[i] == '\\' && c != '<') {
                ++i;
                continue;
            }
            if (i > at && value[i] == close && --depth < 0) return i + 1;
            if (c == '(' && i > at && value[i] == '(') ++depth;
        }
        return value.size();
    };
    if (c == '"') return closing('"');
    if (c == '(') return closing(')');
    if (c == '<') return closing('>');
    const unsigned char u = static_cast<unsigned char>(c);
    if (mime_text::IsSpace(u) || mime_text::IsSpecial(u)) return at + 1;
    size_t end = at + 1;
    while (end < value.size()) {
        const unsigned char next = static_cast<unsigned char>(value[end]);
        if (mime_text::IsSpace(next) || mime_text::IsSpecial(next)) break;
        ++end;
    }
    return end;
}

bool HasHighBytes(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 128) return true;
    return false;
}

}  // namespace

void CFieldCodeBase::Encode(std::string& out, size_t lineStart, std::string_view value, std::string_view charset,
                            bool fold) const {
    if (charset.empty() && !fold) {
        out += value;
        return;
    }
    std::string coded;
    for (size_t at = 0; at < value.size();) {
        const size_t end = IsText() ? value.size() : SegmentEnd(value, at);
        const std::string_view segment = value.substr(at, end - at);
        if (!charset.empty() && HasHighBytes(segment)) coded += CMimeEncodedWord::Encode(segment, charset);
        else coded += segment;
        at = end;
    }
    if (!fold) {
        out += coded;
        return;
    }
    mime_text::LineFolder folder(out, "\r\n\t", lineStart);
    folder.Put(coded);
}

CFieldCodeBase::Decoded CFieldCodeBase::Decode(std::string_view raw, bool unfold) const {
    Decoded decoded;
    std::string& out = decoded.value;
    out.reserve(raw.size());
    bool afterWord = false;
    std::string_view gap;  // whitespace after an encoded word, dropped before another
    for (size_t i = 0; i < raw.size();) {
        if (raw[i] == '=' && raw.size() - i >= 2 && raw[i + 1] == '?') {
            if (const auto word = CMimeEncodedWord::Decode(raw.substr(i))) {
                if (decoded.charset.empty()) decoded.charset = word->charset;
                out += word->bytes;
                i += word->length;
                afterWord = true;
                gap = {};
                continue;
            }
        }
        if (afterWord && mime_text::IsSpace(static_cast<unsigned char>(raw[i]))) {
            size_t end = i;
            while (end < raw.size() && mime_text::IsSpace(static_cast<unsigned char>(raw[end]))) ++end;
            gap = raw.substr(i, end - i);
            i = end;
            if (i < raw.size() && raw[i] == '=' && i + 1 < raw.size() && raw[i + 1] == '?' &&
                CMimeEncodedWord::Decode(raw.substr(i)))
                continue;
            out += gap;
            afterWord = false;
            continue;
        }
        afterWord = false;
        out += raw[i++];
    }
    if (!unfold) return decoded;
    std::string joined;
    joined.reserve(out.size());
    for (size_t i = 0; i < out.size();) {
        if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') {
            i += 2;
            while (i < out.size() && mime_text::IsBlank(static_cast<unsigned char>(out[i]))) ++i;
            joined += ' ';
            continue;
        }
        joined += out[i++];
    }
    decoded.value = std::move(joined);
    return decoded;
}

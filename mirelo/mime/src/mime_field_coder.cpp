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

namespace {

// Each line end of a folded value with the blanks after it as one space.
std::string Unfolded(std::string_view raw) {
    std::string joined;
    joined.reserve(raw.size());
    for (size_t i = 0; i < raw.size();) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            i += 2;
            while (i < raw.size() && mime_text::IsBlank(static_cast<unsigned char>(raw[i]))) ++i;
            joined += ' ';
            continue;
        }
        joined += raw[i++];
    }
    return joined;
}

bool EncodedWordAt(std::string_view text, size_t at) {
    return at + 1 < text.size() && text[at] == '=' && text[at + 1] == '?' && CMimeEncodedWord::Decode(text.substr(at));
}

}  // namespace

CFieldCodeBase::Decoded CFieldCodeBase::Decode(std::string_view value, bool unfold) const {
    const std::string unfolded = unfold ? Unfolded(value) : std::string();
    const std::string_view raw = unfold ? std::string_view(unfolded) : value;
    Decoded decoded;
    std::string& out = decoded.value;
    out.reserve(raw.size());
    bool afterWord = false;
    for (size_t i = 0; i < raw.size();) {
        if (const auto word = raw[i] == '=' ? CMimeEncodedWord::Decode(raw.substr(i)) : std::nullopt) {
            if (decoded.charset.empty()) decoded.charset = word->charset;
            out += word->bytes;
            i += word->length;
            afterWord = true;
            continue;
        }
        if (afterWord && mime_text::IsSpace(static_cast<unsigned char>(raw[i]))) {
            // Whitespace between two encoded words is dropped (RFC 2047 section 6.2).
            size_t end = i;
            while (end < raw.size() && mime_text::IsSpace(static_cast<unsigned char>(raw[end]))) ++end;
            if (!EncodedWordAt(raw, end)) out.append(raw.substr(i, end - i));
            i = end;
        } else {
            out += raw[i++];
        }
        afterWord = false;
    }
    return decoded;
}

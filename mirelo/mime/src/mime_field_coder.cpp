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

// The text inside a quoted string or a comment that spans the whole
// segment, its backslash escapes resolved.
std::string Inner(std::string_view segment) {
    const bool closed = segment.size() >= 2 && segment.back() == (segment.front() == '(' ? ')' : '"');
    const std::string_view inner = segment.substr(1, segment.size() - (closed ? 2 : 1));
    std::string text;
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size()) ++i;
        text += inner[i];
    }
    return text;
}

std::string Escaped(std::string_view bytes, std::string_view escaped) {
    std::string text;
    for (const char c : bytes) {
        if (escaped.find(c) != std::string_view::npos) text += '\\';
        text += c;
    }
    return text;
}

// Text with blanks around it: the blanks kept, the rest coded as one run of
// encoded words (the text of a quoted string without its quotes).
std::string PhraseWords(std::string_view text, std::string_view charset, bool quote) {
    const std::string_view core = mime_text::TrimBlanks(text);
    if (!HasHighBytes(core)) return std::string(text);
    const size_t lead = static_cast<size_t>(core.data() - text.data());
    const bool quotedWhole = core.front() == '"' && SegmentEnd(core, 0) == core.size();
    const std::string bytes = quotedWhole ? Inner(core) : std::string(core);
    const std::string words = CMimeEncodedWord::Encode(bytes, charset, true);
    return std::string(text.substr(0, lead)) + (quote ? "\"" + words + "\"" : words) +
           std::string(text.substr(lead + core.size()));
}

}  // namespace

void CFieldCodeBase::Encode(std::string& out, size_t lineStart, std::string_view value, std::string_view charset,
                            bool fold) const {
    if (charset.empty() && !fold) {
        out += value;
        return;
    }
    std::string coded;
    if (charset.empty()) coded = value;
    for (size_t at = 0; !charset.empty() && at < value.size();) {
        size_t end = at;
        while (end < value.size() && !IsDelimiter(value[end])) end = SegmentEnd(value, end);
        const char delimiter = end < value.size() ? value[end] : '\0';
        coded += EncodeItem(value.substr(at, end - at), charset, delimiter);
        if (delimiter) coded += delimiter;
        at = end + 1;
    }
    if (!fold) {
        out += coded;
        return;
    }
    mime_text::LineFolder folder(out, "\r\n\t", lineStart);
    folder.Put(coded);
}

std::string CFieldCodeBase::EncodeItem(std::string_view item, std::string_view charset, char) const {
    std::string coded;
    for (size_t at = 0; at < item.size();) {
        const size_t end = IsText() ? item.size() : SegmentEnd(item, at);
        const std::string_view segment = item.substr(at, end - at);
        if (HasHighBytes(segment)) coded += CMimeEncodedWord::Encode(segment, charset);
        else coded += segment;
        at = end;
    }
    return coded;
}

std::string CFieldCodeAddress::EncodeItem(std::string_view item, std::string_view charset,
                                          char beforeDelimiter) const {
    if (!HasHighBytes(item)) return std::string(item);
    // The display name runs to the <address>; a group's name is all of it.
    size_t nameEnd = beforeDelimiter == ':' ? item.size() : 0;
    for (size_t at = 0; beforeDelimiter != ':' && at < item.size(); at = SegmentEnd(item, at)) {
        if (item[at] == '<') {
            nameEnd = at;
            break;
        }
    }
    std::string coded = PhraseWords(item.substr(0, nameEnd), charset, false);
    // The address itself is never coded; a comment's text is, inside its parentheses.
    for (size_t at = nameEnd; at < item.size();) {
        const size_t end = SegmentEnd(item, at);
        const std::string_view segment = item.substr(at, end - at);
        if (segment.front() == '(' && HasHighBytes(segment))
            coded += "(" + CMimeEncodedWord::Encode(Inner(segment), charset, true) + ")";
        else coded += segment;
        at = end;
    }
    return coded;
}

std::string CFieldCodeParameter::EncodeItem(std::string_view item, std::string_view charset,
                                            char beforeDelimiter) const {
    const size_t equals = item.find('=');
    if (!HasHighBytes(item) || equals == std::string_view::npos)
        return CFieldCodeBase::EncodeItem(item, charset, beforeDelimiter);
    return std::string(item.substr(0, equals + 1)) + PhraseWords(item.substr(equals + 1), charset, true);
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
    bool quoted = false;
    int comments = 0;
    for (size_t i = 0; i < raw.size();) {
        if (raw[i] == '=' && EncodedWordAt(raw, i)) {
            // A run of words; the whitespace between two of them is dropped
            // (RFC 2047 section 6.2).
            std::string run;
            for (;;) {
                const auto word = CMimeEncodedWord::Decode(raw.substr(i));
                if (decoded.charset.empty()) decoded.charset = word->charset;
                run += word->bytes;
                i += word->length;
                size_t next = i;
                while (next < raw.size() && mime_text::IsSpace(static_cast<unsigned char>(raw[next]))) ++next;
                if (!EncodedWordAt(raw, next)) break;
                i = next;
            }
            out += DecodedRun(std::move(run), quoted ? Place::Quoted : comments ? Place::Comment : Place::Plain);
            continue;
        }
        const char c = raw[i++];
        out += c;
        if (IsText()) continue;  // free text has no quoted strings or comments
        if (c == '\\' && (quoted || comments) && i < raw.size()) out += raw[i++];
        else if (c == '"' && !comments) quoted = !quoted;
        else if (c == '(' && !quoted) ++comments;
        else if (c == ')' && !quoted && comments) --comments;
    }
    return decoded;
}

std::string CFieldCodeBase::DecodedRun(std::string bytes, Place) const { return bytes; }

std::string CFieldCodeAddress::DecodedRun(std::string bytes, Place place) const {
    if (place == Place::Quoted) return Escaped(bytes, "\"\\");
    if (place == Place::Comment) return Escaped(bytes, "()\\");
    for (const char c : bytes)
        if (mime_text::IsSpecial(static_cast<unsigned char>(c))) return "\"" + Escaped(bytes, "\"\\") + "\"";
    return bytes;
}

std::string CFieldCodeParameter::DecodedRun(std::string bytes, Place place) const {
    return place == Place::Quoted ? Escaped(bytes, "\"\\") : bytes;
}

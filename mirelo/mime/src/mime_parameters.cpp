#include "mime_parameters.h"
#include "mime_text.h"

namespace mime_parameters {

namespace {

bool ValueChar(unsigned char c) {
    return mime_text::IsTokenChar(c) || c == '.';
}

// The end of a quoted string that starts at `at` (after its closing quote).
size_t QuotedEnd(std::string_view text, size_t at) {
    for (size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\') ++i;
        else if (text[i] == '"') return i + 1;
    }
    return text.size();
}

// The position of the next ';' outside quotes from `at`, or the end.
size_t NextSemicolon(std::string_view text, size_t at) {
    while (at < text.size() && text[at] != ';') at = text[at] == '"' ? QuotedEnd(text, at) : at + 1;
    return at;
}

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && mime_text::IsSpace(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

}  // namespace

std::optional<Span> Find(std::string_view fieldValue, std::string_view name) {
    size_t at = NextSemicolon(fieldValue, 0);
    at = at == fieldValue.size() ? 0 : at + 1;
    while (at < fieldValue.size()) {
        at = SkipBlanks(fieldValue, at);
        size_t nameEnd = at;
        while (nameEnd < fieldValue.size() && fieldValue[nameEnd] != '=' && fieldValue[nameEnd] != ';' &&
               !mime_text::IsSpace(static_cast<unsigned char>(fieldValue[nameEnd])))
            ++nameEnd;
        const size_t equals = SkipBlanks(fieldValue, nameEnd);
        if (equals < fieldValue.size() && fieldValue[equals] == '=' &&
            mime_text::EqualNoCase(fieldValue.substr(at, nameEnd - at), name)) {
            const size_t start = SkipBlanks(fieldValue, equals + 1);
            size_t end = start;
            if (end < fieldValue.size() && fieldValue[end] == '"') {
                end = QuotedEnd(fieldValue, end);
            } else {
                while (end < fieldValue.size() && ValueChar(static_cast<unsigned char>(fieldValue[end]))) ++end;
            }
            return Span{start, end - start};
        }
        const size_t semicolon = NextSemicolon(fieldValue, nameEnd);
        at = semicolon + 1;
    }
    return std::nullopt;
}

std::string Unquote(std::string_view written) {
    if (written.empty() || written.front() != '"') return std::string(written);
    std::string value;
    for (size_t i = 1; i < written.size(); ++i) {
        if (written[i] == '\\' && i + 1 < written.size()) {
            value += written[++i];
        } else if (written[i] == '"') {
            break;
        } else {
            value += written[i];
        }
    }
    return value;
}

std::string Quote(std::string_view value, bool quote) {
    bool token = !value.empty();
    for (const char c : value) token = token && ValueChar(static_cast<unsigned char>(c));
    const bool alreadyQuoted = value.size() >= 2 && value.front() == '"' && QuotedEnd(value, 0) == value.size();
    if (alreadyQuoted || (token && !quote)) return std::string(value);
    std::string written = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') written += '\\';
        written += c;
    }
    written += '"';
    return written;
}

}  // namespace mime_parameters

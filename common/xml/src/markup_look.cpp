#include "markup_look.h"

#include <cstdint>
#include <vector>

namespace tesk::xml {
namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFFu;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool StartsWith(const std::string& text, std::string_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool IsUtf8Name(const std::string& name) {
    return name == "UTF-8" || name == "UTF8" || name == "US-ASCII" || name == "ASCII";
}

// Encodings whose markup characters are the ASCII bytes and which never
// put such a byte inside another character: UTF-8 and the single-byte pages.
bool IsByteEncoding(const std::string& name) {
    if (IsUtf8Name(name) || name == "IBM852" || name == "CP852") return true;
    for (const char* prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-", "WINDOWS-125", "CP125", "LATIN"})
        if (StartsWith(name, prefix)) return true;
    return false;
}

bool IsUtf16Name(const std::string& name) { return StartsWith(name, "UTF-16") || StartsWith(name, "UTF16"); }

bool IsSpace(std::uint32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsLetter(std::uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Characters past ASCII are taken as name characters whatever they are:
// where libxml2 takes one for no name, it reads on as text, and text
// without a '<' builds nothing.
bool IsNameStart(std::uint32_t c) { return c != kEnd && (IsLetter(c) || c == '_' || c == ':' || c >= 0x80); }

bool IsNameChar(std::uint32_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

class Look {
public:
    Look(std::string_view bytes, const char* encoding) : m_bytes(bytes) {
        if (formOf(encoding)) m_end = firstUnfit();
    }

    MarkupLook run() {
        if (m_result.refusal.empty() && document()) m_pos = m_units;
        m_result.followed = m_pos >= m_units ? m_bytes.size() : m_start + m_pos * m_width;
        m_result.line = m_line;
        return m_result;
    }

private:
    std::uint32_t unitAt(std::size_t i) const {
        const std::size_t b = m_start + i * m_width;
        const auto byte = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[k])); };
        if (m_width == 1) return byte(b);
        return m_bigEndian ? (byte(b) << 8) | byte(b + 1) : byte(b) | (byte(b + 1) << 8);
    }

    std::uint32_t at(std::size_t ahead = 0) const { return m_pos + ahead < m_end ? unitAt(m_pos + ahead) : kEnd; }

    bool startsWith(std::string_view ascii) const {
        for (std::size_t i = 0; i < ascii.size(); ++i)
            if (at(i) != static_cast<unsigned char>(ascii[i])) return false;
        return true;
    }

    void advance(std::size_t n = 1) {
        for (; n > 0 && m_pos < m_end; --n, ++m_pos)
            if (unitAt(m_pos) == '\n') ++m_line;
    }

    bool skipSpace() {
        const std::size_t from = m_pos;
        while (IsSpace(at())) advance();
        return m_pos != from;
    }

    bool refuse(const char* why) {
        m_result.refusal = why;
        return false;
    }

    // How the bytes hold characters: one byte each, or UTF-16 units in the
    // order the byte order mark or the first characters give. The bytes
    // before the declaration tell; the declaration may then only confirm.
    bool formOf(const char* encoding) {
        const auto byte = [&](std::size_t i) {
            return i < m_bytes.size() ? static_cast<unsigned char>(m_bytes[i]) : 0x100u;
        };
        const auto lead = [&](unsigned a, unsigned b, unsigned c, unsigned d) {
            return byte(0) == a && byte(1) == b && byte(2) == c && byte(3) == d;
        };
        const std::string given = encoding ? Upper(encoding) : std::string();
        if (encoding) {
            if (!IsByteEncoding(given)) return refuse("Encoding not accepted");
        } else if (byte(0) == 0xFE && byte(1) == 0xFF) {
            m_width = 2, m_bigEndian = true, m_start = 2;
        } else if (byte(0) == 0xFF && byte(1) == 0xFE) {
            m_width = 2, m_start = 2;
        } else if (lead(0, '<', 0, '?')) {
            m_width = 2, m_bigEndian = true;
        } else if (lead('<', 0, '?', 0)) {
            m_width = 2;
        } else if (lead(0, 0, 0, '<') || lead('<', 0, 0, 0) || lead(0, 0, '<', 0) || lead(0, '<', 0, 0) ||
                   lead(0x4C, 0x6F, 0xA7, 0x94)) {
            return refuse("Encoding not accepted");
        }
        if (m_width == 1 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) m_start = 3;
        m_units = (m_bytes.size() - m_start) / m_width;
        m_end = m_units;
        const std::string declared = Upper(declaredEncoding());
        if (m_width == 2 && !declared.empty() && !IsUtf16Name(declared)) return refuse("Encoding not accepted");
        if (m_width == 1 && !declared.empty() && !IsByteEncoding(declared) && !IsUtf16Name(declared))
            return refuse("Encoding not accepted");
        m_utf8 = encoding ? IsUtf8Name(given) : declared.empty() || IsUtf8Name(declared);
        return true;
    }

    // The encoding the declaration names, or empty.
    std::string declaredEncoding() const {
        if (!startsWith("<?xml") || !IsSpace(at(5))) return {};
        std::string text;
        for (std::size_t i = 5; i < 256 && at(i) != kEnd && at(i) < 0x80 && !(at(i) == '?' && at(i + 1) == '>'); ++i)
            text += static_cast<char>(at(i));
        const std::size_t name = text.find("encoding");
        if (name == std::string::npos) return {};
        std::size_t i = name + 8;
        while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
        if (i >= text.size() || text[i] != '=') return {};
        ++i;
        while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
        if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return {};
        const std::size_t close = text.find(text[i], i + 1);
        return close == std::string::npos ? std::string() : text.substr(i + 1, close - i - 1);
    }

    // The first character no document may hold, where libxml2 stops reading
    // a comment, a literal or a name and may read on as something else:
    // control characters, and in UTF-8 surrogates, U+FFFE, U+FFFF and what
    // lies past U+10FFFF.
    std::size_t firstUnfit() const {
        for (std::size_t i = 0; i < m_units; ++i) {
            const std::uint32_t c = unitAt(i);
            if (c < 0x20 && !IsSpace(c)) return i;
            const std::uint32_t next = i + 1 < m_units ? unitAt(i + 1) : 0;
            if (m_width == 2) {
                if (c == 0xFFFE || c == 0xFFFF || (c >= 0xDC00 && c <= 0xDFFF)) return i;
                if (c >= 0xD800 && c <= 0xDBFF) {
                    if (next < 0xDC00 || next > 0xDFFF) return i;
                    ++i;
                }
            } else if (m_utf8) {
                const std::uint32_t third = i + 2 < m_units ? unitAt(i + 2) : 0;
                if ((c == 0xED && next >= 0xA0 && next <= 0xBF) || (c == 0xEF && next == 0xBF && third >= 0xBE) ||
                    (c == 0xF4 && next >= 0x90) || (c >= 0xF5 && c <= 0xF7))
                    return i;
            }
        }
        return m_units;
    }

    bool name() {
        if (!IsNameStart(at())) return false;
        std::size_t length = 0;
        while (IsNameChar(at())) {
            if (++length > MarkupBounds::kName) return refuse("Name too long");
            advance();
        }
        return true;
    }

    bool until(std::string_view close, bool lessThanAllowed) {
        while (!startsWith(close)) {
            if (at() == kEnd || (at() == '<' && !lessThanAllowed)) return false;
            advance();
        }
        advance(close.size());
        return true;
    }

    bool quoted() {
        const std::uint32_t quote = at();
        if (quote != '"' && quote != '\'') return false;
        advance();
        const char close[] = {static_cast<char>(quote), '\0'};
        return until(close, false);
    }

    bool comment() {
        advance(4);
        return until("-->", true);
    }

    bool instruction() {
        advance(2);
        if (!name()) return false;
        if (startsWith("?>")) {
            advance(2);
            return true;
        }
        return skipSpace() && until("?>", false);
    }

    // A declaration (<!DOCTYPE ...>, <!ELEMENT ...>, <!ENTITY ...>,
    // <!NOTATION ...>) after its keyword, to its '>', its literals whole; the
    // document type's internal subset on the way when `subset`.
    bool declaration(bool subset) {
        for (;;) {
            if (subset && at() == '[') {
                if (!internalSubset()) return false;
                skipSpace();
                if (at() != '>') return false;
            }
            if (at() == '>') {
                advance();
                return true;
            }
            if (at() == '"' || at() == '\'') {
                if (!quoted()) return false;
                continue;
            }
            if (at() == kEnd || at() == '<') return false;
            advance();
        }
    }

    bool internalSubset() {
        advance();
        for (;;) {
            skipSpace();
            if (at() == ']') {
                advance();
                return true;
            }
            if (at() == '%') {
                advance();
                if (!name() || at() != ';') return false;
                advance();
            } else if (startsWith("<!--")) {
                if (!comment()) return false;
            } else if (startsWith("<?")) {
                if (!instruction()) return false;
            } else if (startsWith("<!ATTLIST")) {
                return refuse("Attribute declarations are not accepted");
            } else if (startsWith("<!ENTITY")) {
                // Refused here whatever the parser makes of it: libxml2 drops
                // a declaration whose system literal is no valid URI (a
                // blank, a letter outside ASCII) without a word and reads on.
                return refuse("Entity declarations are not accepted");
            } else if (startsWith("<!ELEMENT") || startsWith("<!NOTATION")) {
                advance(2);
                if (!declaration(false)) return false;
            } else {
                return false;
            }
        }
    }

    struct StartTag {
        std::size_t attributes = 0;
        std::size_t namespaces = 0;
        bool empty = false;
    };

    bool startTag(StartTag& tag) {
        advance();
        if (!name()) return false;
        for (;;) {
            const bool spaced = skipSpace();
            if (at() == '>') {
                advance();
                return true;
            }
            if (at() == '/' && at(1) == '>') {
                advance(2);
                tag.empty = true;
                return true;
            }
            if (!spaced) return false;
            const bool declares = startsWith("xmlns") && (at(5) == ':' || !IsNameChar(at(5)));
            if (!name()) return false;
            skipSpace();
            if (at() != '=') return false;
            advance();
            skipSpace();
            if (!quoted()) return false;
            if (++tag.attributes > MarkupBounds::kAttributes) return refuse("Too many attributes on one element");
            if (declares) ++tag.namespaces;
        }
    }

    bool endTag() {
        advance(2);
        if (!name()) return false;
        skipSpace();
        if (at() != '>') return false;
        advance();
        return true;
    }

    // The root element and all it holds.
    bool element() {
        std::vector<std::size_t> open;  // namespaces each open element declares
        std::size_t inScope = 0;
        do {
            if (at() != '<') {
                if (at() == kEnd) return false;
                advance();
            } else if (at(1) == '/') {
                if (!endTag()) return false;
                inScope -= open.back();
                open.pop_back();
            } else if (startsWith("<!--")) {
                if (!comment()) return false;
            } else if (startsWith("<![CDATA[")) {
                advance(9);
                if (!until("]]>", true)) return false;
            } else if (at(1) == '?') {
                if (!instruction()) return false;
            } else {
                StartTag tag;
                if (!startTag(tag)) return false;
                if (inScope + tag.namespaces > MarkupBounds::kNamespaces)
                    return refuse("Too many namespace declarations in scope");
                if (!tag.empty) {
                    if (open.size() == MarkupBounds::kDepth) return refuse("Elements nested too deeply");
                    open.push_back(tag.namespaces);
                    inScope += tag.namespaces;
                }
            }
        } while (!open.empty());
        return true;
    }

    bool document() {
        bool typed = false;
        bool rooted = false;
        for (;;) {
            skipSpace();
            if (at() == kEnd) return m_pos >= m_units;
            if (startsWith("<?")) {
                if (!instruction()) return false;
            } else if (startsWith("<!--")) {
                if (!comment()) return false;
            } else if (!typed && !rooted && startsWith("<!DOCTYPE")) {
                typed = true;
                advance(9);
                if (!declaration(true)) return false;
            } else if (!rooted && at() == '<' && IsNameStart(at(1))) {
                if (!element()) return false;
                rooted = true;
            } else {
                return false;
            }
        }
    }

    std::string_view m_bytes;
    std::size_t m_start = 0;
    unsigned m_width = 1;
    bool m_bigEndian = false;
    bool m_utf8 = true;
    std::size_t m_units = 0;
    std::size_t m_end = 0;
    std::size_t m_pos = 0;
    int m_line = 1;
    MarkupLook m_result;
};

}  // namespace

MarkupLook LookAtMarkup(std::string_view bytes, const char* encoding) { return Look(bytes, encoding).run(); }

}  // namespace tesk::xml

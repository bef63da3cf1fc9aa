// Quoted-printable (RFC 2045 section 6.7).
#include "mime/mime_coder.h"
#include "mime_text.h"

namespace {

constexpr size_t kMaxLine = 75;  // characters before the '=' of a soft break

bool LineEndAt(std::string_view text, size_t i) {
    return i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
}

// A '.' alone on its line, which some mail transports would take for the
// end of the message.
bool LoneDot(std::string_view text, size_t i) {
    const bool lineBefore = i == 0 || (i >= 2 && text[i - 2] == '\r' && text[i - 1] == '\n');
    const bool lineAfter = i + 1 == text.size() || LineEndAt(text, i + 1);
    return lineBefore && lineAfter;
}

}  // namespace

std::string CMimeCodeQP::Encode(std::string_view input) const {
    std::string out;
    size_t lineStart = 0;
    size_t lastBlank = std::string::npos;  // just after the last literal blank of the line
    for (size_t i = 0; i < input.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(input[i]);
        if (m_textMode && (c == '\r' || c == '\n')) {
            out += static_cast<char>(c);
            lineStart = out.size();
            lastBlank = std::string::npos;
            continue;
        }
        std::string piece;
        if (mime_text::IsBlank(c)) {
            const bool last = i + 1 == input.size() || (m_textMode && (input[i + 1] == '\r' || input[i + 1] == '\n'));
            if (last) mime_text::AppendHexEscape(piece, c);
            else piece += static_cast<char>(c);
        } else if (c >= 33 && c <= 126 && c != '=' && !(c == '.' && m_textMode && LoneDot(input, i))) {
            piece += static_cast<char>(c);
        } else {
            mime_text::AppendHexEscape(piece, c);
        }
        while (out.size() - lineStart + piece.size() > kMaxLine) {
            const size_t at = lastBlank != std::string::npos ? lastBlank : out.size();
            out.insert(at, "=\r\n");
            lineStart = at + 3;
            lastBlank = std::string::npos;
        }
        out += piece;
        if (piece.size() == 1 && mime_text::IsBlank(c)) lastBlank = out.size();
    }
    return out;
}

std::optional<std::string> CMimeCodeQP::Decode(std::string_view input) const {
    std::string out;
    out.reserve(input.size());
    for (size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 2 < input.size() && mime_text::HexValue(static_cast<unsigned char>(input[i + 1])) >= 0 &&
            mime_text::HexValue(static_cast<unsigned char>(input[i + 2])) >= 0) {
            out += static_cast<char>(mime_text::HexValue(static_cast<unsigned char>(input[i + 1])) * 16 +
                                     mime_text::HexValue(static_cast<unsigned char>(input[i + 2])));
            i += 2;
            continue;
        }
        // A soft line break: '=', blanks a transport may have added, the line end.
        size_t j = i + 1;
        while (j < input.size() && mime_text::IsBlank(static_cast<unsigned char>(input[j]))) ++j;
        if (LineEndAt(input, j)) {
            i = j + 1;
        } else if (j < input.size() && input[j] == '\n') {
            i = j;
        } else {
            out += c;  // not an escape: the '=' stands for itself
        }
    }
    return out;
}

// RFC 2047 encoded words: "=?" charset "?" B or Q "?" text "?=".
#include <cctype>

#include "mime/mime_coder.h"
#include "mime_text.h"

namespace {

constexpr size_t kWordText = 68;  // characters of charset and text in one word

bool IsUtf8(std::string_view charset) {
    return mime_text::EqualNoCase(charset, "utf-8") || mime_text::EqualNoCase(charset, "utf8");
}

// How many bytes from `start` fit `limit`, backed off so that a UTF-8
// character is never split between two words.
size_t TakeWhole(std::string_view bytes, size_t start, size_t limit, bool utf8) {
    size_t end = std::min(bytes.size(), start + limit);
    if (utf8 && end < bytes.size()) {
        size_t back = end;
        while (back > start && (static_cast<unsigned char>(bytes[back]) & 0xC0) == 0x80) --back;
        if (back > start) end = back;
    }
    return end - start;
}

std::optional<std::string> Code(CMimeCodeBase&& coder, std::string_view input, bool encoding) {
    coder.SetInput(input, encoding);
    return coder.GetOutput();
}

bool QLiteral(unsigned char c, bool phrase) {
    if (phrase) return std::isalnum(c) || std::string_view("!*+-/").find(static_cast<char>(c)) != std::string_view::npos;
    return c >= 33 && c <= 126 && c != '=' && c != '?' && c != '_';
}

std::string QText(std::string_view bytes, bool phrase) {
    std::string text;
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 128 && QLiteral(c, phrase)) text += ch;
        else mime_text::AppendHexEscape(text, c);
    }
    return text;
}

std::string Word(std::string_view charset, char letter, std::string_view text) {
    std::string word = "=?";
    word.append(charset).append(1, '?').append(1, letter).append(1, '?').append(text).append("?=");
    return word;
}

}  // namespace

std::string CMimeEncodedWord::Encode(std::string_view bytes, std::string_view charset, bool phrase) {
    const size_t n = bytes.size();
    size_t high = 0;
    for (const char c : bytes) high += static_cast<unsigned char>(c) >= 128;
    const bool utf8 = IsUtf8(charset);
    const size_t room = charset.size() < kWordText ? kWordText - charset.size() : 4;
    const bool useQ = n + 2 * high <= 4 * ((n + 2) / 3) || 5 * high <= n;

    std::string out;
    auto addWord = [&](char letter, std::string_view text) {
        if (!out.empty()) out += ' ';
        out += Word(charset, letter, text);
    };
    if (!useQ) {
        const size_t perWord = std::max<size_t>(room / 4 * 3, 3);
        for (size_t at = 0; at < n;) {
            const size_t take = TakeWhole(bytes, at, perWord, utf8);
            addWord('B', *Code(CMimeCodeBase64(false), bytes.substr(at, take), true));
            at += take;
        }
        return out;
    }
    // Q: close the word before its text would pass the room; a UTF-8
    // character goes whole into one word.
    std::string text;
    for (size_t at = 0; at < n;) {
        size_t length = 1;
        while (utf8 && length < 4 && at + length < n && (static_cast<unsigned char>(bytes[at + length]) & 0xC0) == 0x80)
            ++length;
        const std::string piece = QText(bytes.substr(at, length), phrase);
        if (!text.empty() && text.size() + piece.size() > room) {
            addWord('Q', text);
            text.clear();
        }
        text += piece;
        at += length;
    }
    if (!text.empty() || out.empty()) addWord('Q', text);
    return out;
}

std::optional<CMimeEncodedWord::Decoded> CMimeEncodedWord::Decode(std::string_view text) {
    // A word holds no whitespace; words far longer than the 75 characters
    // RFC 2047 allows are not looked for, so a value full of "=?" costs no
    // more than one pass each.
    constexpr size_t kLongestWord = 1024;
    size_t wordEnd = 0;
    while (wordEnd < text.size() && wordEnd < kLongestWord &&
           !mime_text::IsSpace(static_cast<unsigned char>(text[wordEnd])))
        ++wordEnd;
    text = text.substr(0, wordEnd);
    if (text.size() < 8 || text.substr(0, 2) != "=?") return std::nullopt;
    const size_t charsetEnd = text.find('?', 2);
    if (charsetEnd == std::string_view::npos || charsetEnd == 2 || charsetEnd + 2 >= text.size() ||
        text[charsetEnd + 2] != '?')
        return std::nullopt;
    const std::string_view charset = text.substr(2, charsetEnd - 2);
    for (const char c : charset)
        if (!mime_text::IsTokenChar(static_cast<unsigned char>(c))) return std::nullopt;
    const char letter = text[charsetEnd + 1];
    const size_t textStart = charsetEnd + 3;
    const size_t end = text.find("?=", textStart);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view coded = text.substr(textStart, end - textStart);
    if (coded.find('?') != std::string_view::npos) return std::nullopt;

    Decoded word;
    // An RFC 2231 language suffix ("utf-8*cs") is no part of the charset.
    word.charset = std::string(charset.substr(0, charset.find('*')));
    word.length = end + 2;
    if (letter == 'B' || letter == 'b') {
        std::optional<std::string> bytes = Code(CMimeCodeBase64(false), coded, false);
        if (!bytes) return std::nullopt;
        word.bytes = std::move(*bytes);
    } else if (letter == 'Q' || letter == 'q') {
        std::string underscores(coded);
        for (char& c : underscores)
            if (c == '_') c = ' ';  // RFC 2047 section 4.2: '_' stands for a space
        word.bytes = *Code(CMimeCodeQP(false), underscores, false);
    } else {
        return std::nullopt;
    }
    return word;
}

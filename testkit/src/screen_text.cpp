#include "testkit/screen_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace testkit {

namespace {

// Latin letters with diacritics (of Czech, Slovak and German) and their
// plain letter, lower case.
char plainLetter(char32_t letter) {
    static constexpr std::u32string_view kMarked = U"áäčďéěíĺľňóôöŕřšťúůüýžÁÄČĎÉĚÍĹĽŇÓÔÖŔŘŠŤÚŮÜÝŽ";
    static constexpr std::string_view kPlain = "aacdeeillnooorrstuuuyzaacdeeillnooorrstuuuyz";
    if (letter < 0x80) {
        const auto ascii = static_cast<unsigned char>(letter);
        return std::isalnum(ascii) ? static_cast<char>(std::tolower(ascii)) : '\0';
    }
    const auto at = kMarked.find(letter);
    return at == std::u32string_view::npos ? '\0' : kPlain[at];
}

// The code points of UTF-8 text; a byte that starts no character stands
// for itself.
std::u32string codePoints(const std::string& utf8) {
    std::u32string points;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length && at + i < utf8.size(); ++i)
            point = (point << 6) | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
        points.push_back(point);
        at += length;
    }
    return points;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool sameWord(const std::string& wanted, const std::string& read) {
    const std::size_t slips = wanted.size() <= 2 ? 0 : wanted.size() <= 5 ? 1 : 2;
    return editDistance(wanted, read) <= slips;
}

constexpr std::size_t kStrayWords = 3;

// Whether the words follow in `read` from `from` on: each next one within
// the few words after the last, alone or split in two.
bool follows(const std::vector<std::string>& wanted, std::size_t next, const std::vector<std::string>& read,
             std::size_t from) {
    if (next == wanted.size()) return true;
    const std::size_t last = next == 0 ? read.size() : std::min(read.size(), from + kStrayWords + 1);
    for (std::size_t at = from; at < last; ++at) {
        if (sameWord(wanted[next], read[at]) && follows(wanted, next + 1, read, at + 1)) return true;
        if (at + 1 < read.size() && sameWord(wanted[next], read[at] + read[at + 1]) &&
            follows(wanted, next + 1, read, at + 2))
            return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> comparedWords(const std::string& utf8) {
    std::vector<std::string> words(1);
    for (const char32_t point : codePoints(utf8)) {
        if (const char letter = plainLetter(point))
            words.back() += letter;
        else if (!words.back().empty())
            words.emplace_back();
    }
    if (words.back().empty()) words.pop_back();
    return words;
}

std::optional<std::string> unreadText(const std::vector<std::string>& readings,
                                      const std::vector<std::string>& texts) {
    std::vector<std::vector<std::string>> read;
    for (const auto& reading : readings) read.push_back(comparedWords(reading));
    for (const auto& text : texts) {
        const auto wanted = comparedWords(text);
        if (std::none_of(read.begin(), read.end(), [&](const auto& words) { return follows(wanted, 0, words, 0); }))
            return text;
    }
    return std::nullopt;
}

}  // namespace testkit

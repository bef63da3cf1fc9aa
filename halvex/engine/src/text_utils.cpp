#include "halvex/text_utils.h"

#include "common/replace_each.h"
#include "common/strings.h"
#include "platform/text.h"

namespace halvex {

std::u16string GetLastPathPart(const std::u16string& text) {
    const auto slash = text.rfind(u'/');
    return slash == std::u16string::npos ? std::u16string() : text.substr(slash);
}

std::pair<std::u16string, std::u16string> SplitPair(const std::u16string& text, const std::u16string& separator) {
    const auto at = separator.empty() ? std::u16string::npos : text.find(separator);
    if (at == std::u16string::npos) return {text, {}};
    return {text.substr(0, at), text.substr(at + separator.size())};
}

std::vector<std::u16string> Tokenize(const std::u16string& text, const std::u16string& separator,
                                     bool dropEmptyLast) {
    std::vector<std::u16string> pieces;
    if (separator.empty()) {
        if (!text.empty()) pieces.push_back(text);
        return pieces;
    }
    SplitString(text, separator, pieces, dropEmptyLast);
    return pieces;
}

std::u16string ChangeCase(const std::u16string& text, bool upper) {
    return upper ? platform::text::toUpper(text) : platform::text::toLower(text);
}

void ReplaceAll(std::u16string& text, const std::u16string& from, const std::u16string& to) {
    if (to.find(from) != std::u16string::npos) return;
    // The search goes on at the replacement's own place, so a replacement
    // that joins with what follows forms the next match.
    ReplaceEach<char16_t>(text, from, to, 0);
}

void EraseAll(std::u16string& text, const std::u16string& what) {
    // The search goes on just before each removal, so occurrences that the
    // removal joins together go too.
    ReplaceEach<char16_t>(text, what, {}, 1 - static_cast<std::ptrdiff_t>(what.size()));
}

int FindSubstring(const std::u16string& text, const std::u16string& pattern, int* end) {
    const auto at = pattern.empty() ? std::u16string::npos : text.find(pattern);
    const int position = at == std::u16string::npos ? -1 : static_cast<int>(at);
    if (end) *end = position < 0 ? -1 : position + static_cast<int>(pattern.size());
    return position;
}

std::u16string TrimSpaces(const std::u16string& text) {
    const auto first = text.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

std::u16string EraseLeading(const std::u16string& text, const std::u16string& set) {
    const auto first = text.find_first_not_of(set);
    return first == std::u16string::npos ? std::u16string() : text.substr(first);
}

std::u16string OidFromDer(const std::vector<BYTE>& content) {
    return platform::text::toWide(JoinStringList(std::vector<int>(content.begin(), content.end()), "."));
}

VersionNumbers ParseVersion(const std::u16string& text) {
    VersionNumbers numbers;
    const auto parts = Tokenize(text, u".", false);
    for (std::size_t i = 0; i < parts.size() && i < 4; ++i) {
        DWORD value = 0;
        for (const char16_t c : parts[i]) {
            if (c < u'0' || c > u'9') break;
            value = value * 10 + static_cast<DWORD>(c - u'0');
        }
        numbers.part[i] = value;
    }
    return numbers;
}

}  // namespace halvex

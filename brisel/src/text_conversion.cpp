#include "text_conversion.h"

#include <iterator>
#include <string_view>

#include <utf8.h>

namespace brisel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNulSymbol = "\xE2\x90\x80";  // U+2400

}  // namespace

bool convertToUtf8(std::span<const unsigned char> text, CodePage codePage, std::vector<unsigned char>& out) {
    const HighHalf* highHalf = highHalfOf(codePage);
    if (!highHalf)
        return false;
    out.insert(out.end(), kByteOrderMark.begin(), kByteOrderMark.end());
    bool allMapped = true;
    for (const unsigned char byte : text) {
        if (byte < 0x80) {
            out.push_back(byte);
            continue;
        }
        const char16_t codePoint = (*highHalf)[byte - 0x80];
        if (codePoint == 0)
            allMapped = false;
        else
            utf8::append(static_cast<char32_t>(codePoint), std::back_inserter(out));
    }
    return allMapped;
}

bool isUtf8(std::span<const unsigned char> text) {
    return utf8::is_valid(text.begin(), text.end());
}

std::optional<std::string> previewText(std::span<const unsigned char> document) {
    if (!isUtf8(document))
        return std::nullopt;
    std::string_view rest(reinterpret_cast<const char*>(document.data()), document.size());
    if (rest.starts_with(kByteOrderMark))
        rest.remove_prefix(kByteOrderMark.size());
    std::string text;
    text.reserve(rest.size());
    for (const char c : rest) {
        if (c == '\0')
            text += kNulSymbol;
        else
            text += c;
    }
    return text;
}

}  // namespace brisel

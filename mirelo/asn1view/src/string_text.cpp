#include "string_text.h"

#include <cstring>

#include "platform/text.h"

namespace asn1view {
namespace {

constexpr std::uint32_t kT61String = 20;
constexpr std::uint32_t kPrintableString = 19;
constexpr std::uint32_t kIa5String = 22;
constexpr std::uint32_t kBmpString = 30;

bool IsPrintable(std::uint8_t b) { return b >= 0x20 && b < 0x7F; }

bool InPrintableSet(std::uint8_t b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
           (b != 0 && std::strchr(" '()+,-./:=?", b) != nullptr);
}

// Unprintable characters become "."; one error when any byte fails the test.
template <class Allowed>
std::string Checked(std::span<const std::uint8_t> content, int& errors, Allowed allowed) {
    std::string text;
    bool flagged = false;
    for (const std::uint8_t b : content) {
        if (!allowed(b)) flagged = true;
        text += IsPrintable(b) ? static_cast<char>(b) : '.';
    }
    if (flagged) ++errors;
    return text;
}

std::string Raw(std::span<const std::uint8_t> content) { return {content.begin(), content.end()}; }

std::string FromUtf16(std::span<const std::uint8_t> content, bool bigEndian, int& errors) {
    if (content.size() % 2 != 0) ++errors;
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < content.size(); i += 2)
        wide += static_cast<char16_t>(bigEndian ? (content[i] << 8) | content[i + 1] : (content[i + 1] << 8) | content[i]);
    return platform::text::toNarrow(wide);
}

}  // namespace

std::string UniversalStringText(std::uint32_t tag, std::span<const std::uint8_t> content, int& errors) {
    switch (tag) {
    case kPrintableString:
        return platform::text::utf8ToAnsi(Checked(content, errors, InPrintableSet));
    case kIa5String:
        return platform::text::utf8ToAnsi(Checked(content, errors, IsPrintable));
    case kT61String: {
        std::string text;
        for (const std::uint8_t b : content) text += IsPrintable(b & 0x7F) ? static_cast<char>(b) : '.';
        return platform::text::utf8ToAnsi(text);
    }
    case kBmpString:
        return FromUtf16(content, true, errors);
    default:
        return platform::text::utf8ToAnsi(Raw(content));
    }
}

std::string TaggedStringText(ContentKind kind, std::span<const std::uint8_t> content, int& errors) {
    switch (kind) {
    case ContentKind::Utf16Be:
        return FromUtf16(content, true, errors);
    case ContentKind::Utf16Le:
        return FromUtf16(content, false, errors);
    case ContentKind::TimeText:
        return Raw(content);
    default:
        return platform::text::utf8ToAnsi(Checked(content, errors, IsPrintable));
    }
}

}  // namespace asn1view

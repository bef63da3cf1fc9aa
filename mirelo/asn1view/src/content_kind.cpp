#include "content_kind.h"

#include <algorithm>
#include <cctype>

namespace asn1view {
namespace {

constexpr std::size_t kPeek = 16;

bool IsDigit(std::uint8_t b) { return b >= '0' && b <= '9'; }

bool IsTimeLike(std::span<const std::uint8_t> content) {
    if ((content.size() != 13 && content.size() != 15) || content.back() != 'Z') return false;
    return std::all_of(content.begin(), content.end() - 1, IsDigit);
}

// Zeros mark two-byte text: at even positions big-endian, at odd ones
// little-endian. Control or 8-bit bytes mean bytes.
ContentKind ScanPeeked(std::span<const std::uint8_t> peeked) {
    bool zeroEven = false;
    bool zeroOdd = false;
    for (std::size_t i = 0; i < peeked.size(); ++i) {
        const std::uint8_t b = peeked[i];
        if (b == 0) {
            (i % 2 == 0 ? zeroEven : zeroOdd) = true;
            continue;
        }
        if (b < 0x20 || b >= 0x7F) return ContentKind::Bytes;
    }
    if (zeroEven && zeroOdd) return ContentKind::Bytes;
    if (!zeroEven && !zeroOdd) return ContentKind::Text;
    const std::size_t zeroParity = zeroEven ? 0 : 1;
    for (std::size_t i = zeroParity; i < peeked.size(); i += 2)
        if (peeked[i] != 0) return ContentKind::Bytes;
    return zeroEven ? ContentKind::Utf16Be : ContentKind::Utf16Le;
}

}  // namespace

ContentKind ClassifyContent(std::span<const std::uint8_t> content) {
    if (content.size() <= 2) return ContentKind::Bytes;
    if (content.size() == 3) {
        const bool plain = std::all_of(content.begin(), content.end(),
                                       [](std::uint8_t b) { return std::isalnum(b) || b == ' '; });
        return plain ? ContentKind::Text : ContentKind::Bytes;
    }
    if (IsDigit(content[0]) && IsTimeLike(content)) return ContentKind::TimeText;
    return ScanPeeked(content.first(std::min(content.size(), kPeek)));
}

}  // namespace asn1view

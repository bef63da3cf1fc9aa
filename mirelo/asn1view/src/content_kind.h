// What the primitive content of a non-universal tag holds, judged from its
// first bytes: bytes, or text in one of four forms.
#pragma once

#include <cstdint>
#include <span>

namespace asn1view {

enum class ContentKind { Bytes, Text, TimeText, Utf16Le, Utf16Be };

ContentKind ClassifyContent(std::span<const std::uint8_t> content);

}  // namespace asn1view

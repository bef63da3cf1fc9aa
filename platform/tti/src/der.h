// der.h: just enough DER to frame replies, cut a token out of its reply and
// rebuild a token's certificate set: elements with one-byte tags and
// definite lengths (X.690 8.1.2-8.1.3; BER's indefinite length is refused).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tti::der {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kOid = 0x06;
inline constexpr std::uint8_t kGeneralizedTime = 0x18;
// A constructed context-specific tag, [number].
constexpr std::uint8_t contextTag(unsigned number) { return static_cast<std::uint8_t>(0xA0 | number); }

struct Element {
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> whole;  // tag, length and content
    std::span<const std::uint8_t> content;
};

struct Header {
    std::uint8_t tag = 0;
    std::size_t headerLength = 0;
    std::size_t contentLength = 0;
};

// The tag and length at the start of data, whether or not the content is all there.
std::optional<Header> readHeader(std::span<const std::uint8_t> data);
// The element at the start of data, when it is all there.
std::optional<Element> read(std::span<const std::uint8_t> data);
// The elements that fill a constructed element's content exactly; empty
// when they do not.
std::optional<std::vector<Element>> children(const Element& constructed);
// An element from its tag and content.
Bytes encode(std::uint8_t tag, std::span<const std::uint8_t> content);

}  // namespace tti::der

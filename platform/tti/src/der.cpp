// der.cpp: DER tags and lengths.
#include "der.h"

namespace tti::der {

std::optional<Header> readHeader(std::span<const std::uint8_t> data) {
    if (data.size() < 2 || (data[0] & 0x1F) == 0x1F) return std::nullopt;  // no high tag numbers
    Header header{data[0], 2, data[1]};
    if (data[1] & 0x80) {
        const std::size_t count = data[1] & 0x7F;
        if (count == 0 || count > sizeof(std::size_t) - 1 || data.size() < 2 + count) return std::nullopt;
        std::size_t length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | data[2 + i];
        header.headerLength = 2 + count;
        header.contentLength = length;
    }
    return header;
}

std::optional<Element> read(std::span<const std::uint8_t> data) {
    const auto header = readHeader(data);
    if (!header || header->contentLength > data.size() - header->headerLength) return std::nullopt;
    const std::size_t total = header->headerLength + header->contentLength;
    return Element{header->tag, data.first(total), data.subspan(header->headerLength, header->contentLength)};
}

std::optional<std::vector<Element>> children(const Element& constructed) {
    std::vector<Element> out;
    for (auto rest = constructed.content; !rest.empty();) {
        const auto child = read(rest);
        if (!child) return std::nullopt;
        out.push_back(*child);
        rest = rest.subspan(child->whole.size());
    }
    return out;
}

Bytes encode(std::uint8_t tag, std::span<const std::uint8_t> content) {
    Bytes out{tag};
    const std::size_t length = content.size();
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
    } else {
        Bytes digits;
        for (std::size_t rest = length; rest; rest >>= 8)
            digits.insert(digits.begin(), static_cast<std::uint8_t>(rest));
        out.push_back(static_cast<std::uint8_t>(0x80 | digits.size()));
        out.insert(out.end(), digits.begin(), digits.end());
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

}  // namespace tti::der

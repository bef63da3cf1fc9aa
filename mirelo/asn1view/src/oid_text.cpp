#include "oid_text.h"

#include <array>

namespace asn1view {
namespace {

constexpr std::uint32_t kArcLimit = 0x3FFFFFFF;
constexpr std::uint8_t kUuidArcByte = 0x69;  // 2.25 packed into one byte

// One base-128 number of at most kArcLimit; false when it is larger or
// runs off the end.
bool ReadNumber(std::span<const std::uint8_t> content, std::size_t& pos, std::uint32_t& value) {
    value = 0;
    while (pos < content.size()) {
        const std::uint8_t byte = content[pos++];
        if (value > (kArcLimit >> 7)) return false;
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80)) return value <= kArcLimit;
    }
    return false;
}

// A base-128 number of up to 128 bits (a UUID, ITU-T X.667), formatted.
bool ReadUuid(std::span<const std::uint8_t> content, std::size_t& pos, std::string& text) {
    std::array<std::uint8_t, 16> value{};
    bool ended = false;
    while (pos < content.size() && !ended) {
        const std::uint8_t byte = content[pos++];
        if (value[0] & 0xFE) return false;  // shifting 7 more bits would overflow
        unsigned carry = byte & 0x7F;
        for (std::size_t i = value.size(); i-- > 0;) {
            const unsigned shifted = (static_cast<unsigned>(value[i]) << 7) | carry;
            value[i] = static_cast<std::uint8_t>(shifted);
            carry = shifted >> 8;
        }
        ended = !(byte & 0x80);
    }
    if (!ended) return false;
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kDigits[value[i] >> 4];
        text += kDigits[value[i] & 0x0F];
    }
    return true;
}

}  // namespace

DecodedOid DecodeOid(std::span<const std::uint8_t> content) {
    DecodedOid oid;
    std::size_t pos = 0;
    std::uint32_t first = 0;
    if (!ReadNumber(content, pos, first)) {
        oid.valid = false;
        return oid;
    }
    const std::uint32_t x = first < 80 ? first / 40 : 2;
    oid.arcs = {static_cast<std::int32_t>(x), static_cast<std::int32_t>(first - 40 * x)};
    if (content[0] == kUuidArcByte) {
        oid.valid = ReadUuid(content, pos, oid.uuid) && pos == content.size();
        return oid;
    }
    while (pos < content.size()) {
        std::uint32_t arc = 0;
        if (!ReadNumber(content, pos, arc)) {
            oid.valid = false;
            return oid;
        }
        oid.arcs.push_back(static_cast<std::int32_t>(arc));
    }
    return oid;
}

}  // namespace asn1view

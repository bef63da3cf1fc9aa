// A small DER writer and reader for the fixtures that build or patch ASN.1
// by hand (policies, TSA replies). Definite lengths only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "testkit/pki.h"

namespace testkit::der {

inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kBitString = 0x03;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kOid = 0x06;
inline constexpr std::uint8_t kEnumerated = 0x0A;
inline constexpr std::uint8_t kUtf8String = 0x0C;
inline constexpr std::uint8_t kGeneralizedTime = 0x18;
inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kSet = 0x31;

// [n] EXPLICIT (context-specific, constructed).
constexpr std::uint8_t explicitTag(unsigned n) { return static_cast<std::uint8_t>(0xA0 + n); }

Bytes tlv(std::uint8_t tag, const Bytes& content);
Bytes concat(std::initializer_list<Bytes> parts);
Bytes sequence(std::initializer_list<Bytes> parts);
Bytes sequenceOf(const std::vector<Bytes>& items);
// A non-negative INTEGER or ENUMERATED.
Bytes integer(unsigned value, std::uint8_t tag = kInteger);
Bytes oid(std::string_view dotted);
Bytes utf8(std::string_view text);
Bytes generalizedTime(pki::Instant when);

// The elements directly inside the constructed element at the start of
// `der`, as whole TLVs; throws std::invalid_argument when the bytes are no
// such element.
std::vector<Bytes> children(const Bytes& der);

}  // namespace testkit::der

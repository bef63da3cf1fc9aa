// The content bytes of an OBJECT IDENTIFIER as arcs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace asn1view {

struct DecodedOid {
    std::vector<std::int32_t> arcs;
    std::string uuid;  // after 2.25: the UUID as 8-4-4-4-12 lower-case hex
    bool valid = true;
};

DecodedOid DecodeOid(std::span<const std::uint8_t> content);

}  // namespace asn1view

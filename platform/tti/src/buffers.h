// buffers.h: the length-query rule of every export that hands out bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "failure.h"

namespace tti {

// Null buffer: the length. Short buffer: TTI_E_BUFFER_TOO_SMALL with the
// length. Otherwise the bytes and their length.
inline int copyOut(std::span<const std::uint8_t> value, std::uint8_t* out, std::uint32_t* outLength) {
    if (!outLength) fail(TTI_E_PARAMETER);
    const std::uint32_t room = *outLength;
    *outLength = static_cast<std::uint32_t>(value.size());
    if (!out) return TTI_OK;
    if (room < value.size()) return TTI_E_BUFFER_TOO_SMALL;
    if (!value.empty()) std::memcpy(out, value.data(), value.size());
    return TTI_OK;
}

// The input of an export: a null pointer or no bytes is a bad parameter.
inline std::span<const std::uint8_t> input(const std::uint8_t* data, std::uint32_t length) {
    if (!data || length == 0) fail(TTI_E_PARAMETER);
    return {data, length};
}

}  // namespace tti

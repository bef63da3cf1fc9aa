// Little-endian fields of the ZIP format, read from and written to bytes.
#pragma once

#include <cstdint>

namespace zipbytes {

inline std::uint16_t get16(const char* p) noexcept {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t get32(const char* p) noexcept {
    return get16(p) | (static_cast<std::uint32_t>(get16(p + 2)) << 16);
}
inline std::uint64_t get64(const char* p) noexcept {
    return get32(p) | (static_cast<std::uint64_t>(get32(p + 4)) << 32);
}
inline void put16(char* p, std::uint16_t v) noexcept {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
inline void put32(char* p, std::uint32_t v) noexcept {
    put16(p, static_cast<std::uint16_t>(v));
    put16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void put64(char* p, std::uint64_t v) noexcept {
    put32(p, static_cast<std::uint32_t>(v));
    put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

// Values that do not fit a field are written as all ones there.
inline std::uint32_t capped32(std::uint64_t v) noexcept { return v >= 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v); }
inline std::uint16_t capped16(std::uint64_t v) noexcept { return v >= 0xFFFFu ? 0xFFFFu : static_cast<std::uint16_t>(v); }

}  // namespace zipbytes

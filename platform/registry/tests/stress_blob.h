// The large values the crash test writes: a sequence number, random bytes
// and a checksum over both, so that a torn value is recognised.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "win32/types.h"

namespace registry_test {

inline constexpr std::size_t kBlobBytes = 64 * 1024;

inline std::uint64_t checksum(std::span<const BYTE> bytes) {  // FNV-1a
    std::uint64_t h = 1469598103934665603ull;
    for (BYTE b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

inline std::vector<BYTE> makeBlob(std::uint64_t sequence, std::mt19937_64& random) {
    std::vector<BYTE> blob(kBlobBytes);
    std::memcpy(blob.data(), &sequence, sizeof sequence);
    for (std::size_t i = sizeof sequence; i < kBlobBytes - 8; i += 8) {
        const std::uint64_t r = random();
        std::memcpy(blob.data() + i, &r, 8);
    }
    const auto sum = checksum(std::span(blob).first(kBlobBytes - 8));
    std::memcpy(blob.data() + kBlobBytes - 8, &sum, 8);
    return blob;
}

// The sequence number of a whole blob; nullopt for anything torn.
inline std::optional<std::uint64_t> blobSequence(std::span<const BYTE> blob) {
    if (blob.size() != kBlobBytes) return std::nullopt;
    std::uint64_t sum = 0, sequence = 0;
    std::memcpy(&sum, blob.data() + kBlobBytes - 8, 8);
    if (sum != checksum(blob.first(kBlobBytes - 8))) return std::nullopt;
    std::memcpy(&sequence, blob.data(), 8);
    return sequence;
}

}  // namespace registry_test

// Support of the cryptographic primitive tests: hexadecimal text, random
// inputs from a fixed seed, and OpenSSL's answers, the second
// implementation that judges ours.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace cryptoref {

using Bytes = std::vector<unsigned char>;

Bytes fromHex(std::string_view hex);
std::string hexOf(const unsigned char* data, std::size_t size);
inline std::string hexOf(const Bytes& data) { return hexOf(data.data(), data.size()); }
inline Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Reproducible from run to run: every test seeds its own generator.
Bytes randomBytes(std::mt19937& random, std::size_t size);
std::size_t randomSize(std::mt19937& random, std::size_t most);  // 0 to most

Bytes opensslSha1(const Bytes& message);
Bytes opensslHmacSha1(const Bytes& key, const Bytes& message);
Bytes opensslPbkdf2HmacSha1(const Bytes& password, const Bytes& salt, unsigned iterations, std::size_t size);
// AES in ECB mode over whole blocks, without padding.
Bytes opensslAesEcb(const Bytes& key, const Bytes& blocks);

}  // namespace cryptoref

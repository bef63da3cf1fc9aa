#include "hash_algorithms.h"

#include <array>

namespace platform::crypt::provider {

namespace {

// The DigestInfo prefixes of RFC 8017, section 9.2, note 1.
constexpr std::array<BYTE, 18> kMd5Prefix{0x30, 0x20, 0x30, 0x0c, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                          0x86, 0xf7, 0x0d, 0x02, 0x05, 0x05, 0x00, 0x04, 0x10};
constexpr std::array<BYTE, 15> kSha1Prefix{0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2b, 0x0e,
                                           0x03, 0x02, 0x1a, 0x05, 0x00, 0x04, 0x14};
constexpr std::array<BYTE, 19> kSha256Prefix{0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                             0x65, 0x03, 0x04, 0x02, 0x01, 0x05, 0x00, 0x04, 0x20};
constexpr std::array<BYTE, 19> kSha384Prefix{0x30, 0x41, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                             0x65, 0x03, 0x04, 0x02, 0x02, 0x05, 0x00, 0x04, 0x30};
constexpr std::array<BYTE, 19> kSha512Prefix{0x30, 0x51, 0x30, 0x0d, 0x06, 0x09, 0x60, 0x86, 0x48, 0x01,
                                             0x65, 0x03, 0x04, 0x02, 0x03, 0x05, 0x00, 0x04, 0x40};

const std::array<HashAlgorithm, 5> kHashes{{
    {CALG_MD5, "MD5", 16, kMd5Prefix},
    {CALG_SHA1, "SHA1", 20, kSha1Prefix},
    {CALG_SHA_256, "SHA256", 32, kSha256Prefix},
    {CALG_SHA_384, "SHA384", 48, kSha384Prefix},
    {CALG_SHA_512, "SHA512", 64, kSha512Prefix},
}};

}  // namespace

const HashAlgorithm* hashAlgorithm(ALG_ID id) {
    for (const auto& h : kHashes)
        if (h.id == id) return &h;
    return nullptr;
}

std::vector<BYTE> digestInfoOf(const HashAlgorithm& algorithm, std::span<const BYTE> value) {
    std::vector<BYTE> out(algorithm.digestInfo.begin(), algorithm.digestInfo.end());
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

}  // namespace platform::crypt::provider

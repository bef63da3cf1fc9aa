#include "zip_hmac_sha1.h"

#include <string.h>  // explicit_bzero

#include <cstring>

namespace zipcrypto {

HmacSha1::HmacSha1(const void* key, std::size_t size) noexcept {
    unsigned char block[Sha1::kBlockSize] = {};
    if (size > Sha1::kBlockSize) {
        Sha1 hash;
        hash.update(key, size);
        const Sha1::Digest digest = hash.finish();
        std::memcpy(block, digest.data(), digest.size());
    } else if (size > 0) {
        std::memcpy(block, key, size);
    }
    for (unsigned char& b : block) b ^= 0x36;
    m_inner.update(block, sizeof block);
    for (unsigned char& b : block) b ^= 0x36 ^ 0x5C;
    m_outer.update(block, sizeof block);
    explicit_bzero(block, sizeof block);  // the key is a password
}

Sha1::Digest HmacSha1::finish() noexcept {
    const Sha1::Digest inner = m_inner.finish();
    m_outer.update(inner.data(), inner.size());
    return m_outer.finish();
}

}  // namespace zipcrypto

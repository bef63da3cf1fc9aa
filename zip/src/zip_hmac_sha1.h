// HMAC-SHA1 (RFC 2104). A keyed object may be copied: the copy carries the
// keyed state, so the key is taken in once for many messages.
#pragma once

#include <cstddef>

#include "zip_sha1.h"

namespace zipcrypto {

class HmacSha1 {
public:
    // A key longer than the 64-byte block is hashed first.
    HmacSha1(const void* key, std::size_t size) noexcept;

    void update(const void* data, std::size_t size) noexcept { m_inner.update(data, size); }
    // The code of the message taken in; the object is spent afterwards.
    Sha1::Digest finish() noexcept;

private:
    Sha1 m_inner;  // has taken in the key xor 0x36 pads, then the message
    Sha1 m_outer;  // has taken in the key xor 0x5C pads
};

}  // namespace zipcrypto

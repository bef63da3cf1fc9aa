// PBKDF2 (RFC 2898, section 5.2) with HMAC-SHA1 as its pseudo-random
// function: WinZip AES draws its AES key, HMAC key and password verifier
// from it.
#pragma once

#include <cstddef>

namespace zipcrypto {

// Fills size bytes of out from the password and salt.
void pbkdf2HmacSha1(const void* password, std::size_t passwordSize, const unsigned char* salt, std::size_t saltSize,
                    unsigned iterations, unsigned char* out, std::size_t size);

}  // namespace zipcrypto

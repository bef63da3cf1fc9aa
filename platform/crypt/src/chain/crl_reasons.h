// Revocation reasons as sets: bit n stands for ReasonFlags bit n of RFC 5280
// section 4.2.1.13 (1 keyCompromise ... 8 aACompromise; bit 0 is unused).
#pragma once

#include "der/der.h"

namespace platform::crypt::chain {

inline constexpr DWORD kAllReasons = 0x1FE;

// The reasons of a ReasonFlags BIT STRING's content.
inline DWORD reasonsOf(der::View bitStringContent) {
    const der::BitString bits = der::bitStringOf(bitStringContent);
    DWORD reasons = 0;
    for (std::size_t i = 0; i < bits.bytes.size() && i < 2; ++i)
        for (unsigned bit = 0; bit < 8; ++bit)
            if (bits.bytes[i] & (0x80 >> bit)) reasons |= 1u << (i * 8 + bit);
    return reasons & kAllReasons;
}

}  // namespace platform::crypt::chain

// The header of one element, shared by the DER reader (reader.cpp) and the
// BER reader (ber.cpp).
#pragma once

#include "der/der.h"

namespace platform::crypt::der {

struct Header {
    BYTE tag;
    std::size_t headerSize;
    std::size_t length;  // 0 when indefinite
    bool indefinite;
};

// The header of the element at data[pos], a definite length checked against
// the rest of the data. An indefinite length is CRYPT_E_ASN1_CORRUPT unless
// allowed, and always on a primitive element.
Header headerAt(View data, std::size_t pos, bool indefiniteAllowed);

}  // namespace platform::crypt::der

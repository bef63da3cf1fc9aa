// A DER certificate handed to a provider parameter without a length
// (KP_CERTIFICATE, the card's root deletion): its header tells the length,
// as CryptoAPI reads it.
#pragma once

#include "rsa_keys.h"

namespace platform::crypt::provider {

// The certificate at pb, checked to decode whole; NTE_BAD_DATA otherwise.
View certificateAt(const BYTE* pb);

}  // namespace platform::crypt::provider

// CERT_STORE_PROV_MSG reads the encoded SignedData of a low-level message
// handle. This is the one place that asks the message for it.
#pragma once

#include "store/bytes.h"

namespace platform::crypt::store {

Bytes encodedMessageOf(HCRYPTMSG message);

}  // namespace platform::crypt::store

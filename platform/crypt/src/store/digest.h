// Hashes of certificates, CRLs and keys, computed by a provider: the one
// given, or a verification context of the default RSA and AES provider.
#pragma once

#include "store/bytes.h"

namespace platform::crypt::store {

Bytes digest(ALG_ID algorithm, View data, HCRYPTPROV provider = 0);

}  // namespace platform::crypt::store

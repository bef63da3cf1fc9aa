// The built-in OID information, in the order CryptoAPI searches it: hash,
// encryption, public-key and signature algorithms, then name attributes,
// extensions and attributes, enhanced key usages and policies. Where two
// rows share an OID or an ALG_ID, the first is the one found.
#pragma once

#include <span>

#include "win32/crypt_oid.h"

namespace platform::crypt::oid {

std::span<const CRYPT_OID_INFO> builtInTable();

}  // namespace platform::crypt::oid

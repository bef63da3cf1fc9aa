// The trust status of each certificate on a path, as far as it follows from
// the certificates themselves: validity, nesting, signatures, basic
// constraints, extensions, the root, and the info bits. Usage, name and
// policy constraints and revocation add their bits afterwards.
#pragma once

#include <vector>

#include "chain/path.h"
#include "win32/crypt_chain.h"

namespace platform::crypt::chain {

using Statuses = std::vector<CERT_TRUST_STATUS>;  // one per link

Statuses checkElements(const Path& path, ULONGLONG checkTime);

// The bits of the simple chain as a whole, beyond its elements' (a partial chain).
DWORD chainOnlyErrors(const Path& path);

}  // namespace platform::crypt::chain

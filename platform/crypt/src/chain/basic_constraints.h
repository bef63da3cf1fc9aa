// The basic-constraints rule shared by the engine and the basic-constraints
// policy: may a certificate on a path have issued the one below it?
#pragma once

#include <optional>
#include <vector>

#include "win32/crypt_encode.h"

namespace platform::crypt::chain {

// The certificate at `index` (the end certificate is 0) must be a CA whose
// path length allows the CAs between it and the end certificate;
// self-issued ones do not count (RFC 5280 section 4.2.1.9). A certificate
// without the extension passes only when `noneAllowed`.
bool mayActAsCa(const std::vector<PCCERT_CONTEXT>& path, std::size_t index,
                const std::optional<CERT_BASIC_CONSTRAINTS2_INFO>& constraints, bool noneAllowed);

}  // namespace platform::crypt::chain

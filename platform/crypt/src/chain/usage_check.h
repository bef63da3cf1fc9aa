// CERT_TRUST_IS_NOT_VALID_FOR_USAGE for the enhanced key usages a caller asks
// for. A certificate's usages are narrowed by its issuers': a CA limited to
// some usages passes on only those.
#pragma once

#include "chain/element_checks.h"

namespace platform::crypt::chain {

// E_INVALIDARG for an unknown match type or identifiers missing.
void checkRequestedUsage(const CERT_USAGE_MATCH& requested);
void addUsageErrors(const Path& path, const CERT_USAGE_MATCH& requested, Statuses& statuses);

}  // namespace platform::crypt::chain

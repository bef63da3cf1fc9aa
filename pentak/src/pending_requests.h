// The pending requests of a provider: certificates in the user's "REQUEST"
// store whose key is in that provider and has not been certified yet.
#pragma once

#include <string>
#include <vector>

#include "key_records.h"

// One entry per pending request, in the store's order: the provider, the
// container (split from its reader prefix) and the one key with its public
// key and the request's certificate. A request whose public key has a
// certificate in the user's "MY" store is no longer pending.
std::vector<CspStoreEntry> PendingRequestEntries(const std::u16string& provider);

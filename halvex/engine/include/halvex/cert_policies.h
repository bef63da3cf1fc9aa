// The certificate policies the renewal program tells apart, by environment
// (the profile value "AppEnvironment": 0 and 1 the authority's test
// environments, 2 production), and the classification of a record by them.
#pragma once

#include <string>
#include <vector>

#include "halvex/cert_info.h"
#include "halvex/profile.h"
#include "win32/types.h"

namespace halvex {

inline constexpr DWORD kDefaultAppEnvironment = kEnvironmentProduction;

struct PolicyOidSet {
    std::vector<std::u16string> qualified;
    std::vector<std::u16string> type1;
    std::vector<std::u16string> type6;
    // Prefixes ending in "."; a policy whose text up to its last "." is one
    // of them belongs to the authority's family.
    std::vector<std::u16string> familyPrefixes;
};

// The environment's set; an environment without one gets the empty set.
const PolicyOidSet& PolicyOidsOf(DWORD environment);
// "AppEnvironment" of the profile section "Workspace", else the default.
DWORD AppEnvironment();
// Whether the environment classifies certificates at all.
bool ClassifiesCertificates(DWORD environment);

// Sets the record's four policy flags from its policy OIDs: a qualified
// policy; else type 1 or type 6, both of the family; else a policy of a
// family prefix.
void ClassifyPolicies(CertInfo& record, const PolicyOidSet& policies);

}  // namespace halvex

// sign_policy_parts.h: the readers of the policy's structures that the
// decoder's files share. Each fills its record as far as it gets and
// returns false at the first part that is not what RFC 3125 says.
#pragma once

#include <string>
#include <vector>

#include "common/sign_policy.h"
#include "sign_policy_asn1.h"

namespace sign_policy {

// A policy hash as the policy tree and the messages show it: upper-case
// hexadecimal, a blank after every second byte ("A1B2 C3D4").
std::string HashText(const std::vector<BYTE>& hash);

// SignPolExtensions, appended to out.
bool ReadExtensions(Der der, std::vector<PolicyExtension>& out);
// CommonRules; a part that is absent keeps its defaults.
bool ReadCommonRules(Der der, PolicyCommonRules& out);

// CertificateTrustTrees, appended to out.
bool ReadTrustTrees(Der der, std::vector<PolicyTrustPoint>& out);
bool ReadCertRevReq(Der der, PolicyCertRevReq& out);
bool ReadNameConstraints(Der der, PolicyNameConstraints& out);

}  // namespace sign_policy

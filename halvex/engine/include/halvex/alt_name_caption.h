// The caption the renewal program shows before an alternative name.
#pragma once

#include <string>

#include "common/rdn_attr.h"

namespace halvex {

// By the entry's kind: an other name "Alternativní jméno předmětu", or for
// the two identifiers of the labour ministry "IK MPSV: " and "IDS MPSV: ";
// an e-mail address, a DNS name, a URL or an IP address its own caption;
// empty for any other kind.
std::u16string AltNameCaption(const TRDNAttrW& entry);

}  // namespace halvex

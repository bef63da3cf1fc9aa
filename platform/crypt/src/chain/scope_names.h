// The names RFC 5280 (sections 5.2.5 and 6.3.3) compares to decide whether a
// CRL's scope covers a certificate: distribution point names and CRL
// issuers, each GeneralName kept as its DER, so two names match when their
// encodings are the same.
#pragma once

#include <vector>

#include "der/der.h"

namespace platform::crypt::chain {

using GeneralNames = std::vector<der::Bytes>;

// directoryName [4] holding a Name's DER.
der::Bytes directoryName(der::View name);
// The Name inside a directoryName, or nothing for another kind of name.
der::View nameOfDirectoryName(der::View generalName);
// The elements of a GeneralNames SEQUENCE (or of an IMPLICIT tag over one).
GeneralNames generalNamesIn(const der::Element& names);
// DistributionPointName ::= CHOICE { fullName [0], nameRelativeToCRLIssuer [1] },
// given as the element inside its [0] EXPLICIT tag. A relative name is
// made full by adding it to `base`, the Name (DER) it is relative to.
GeneralNames distributionPointNames(const der::Element& chosen, der::View base);
bool anyInCommon(const GeneralNames& a, const GeneralNames& b);

}  // namespace platform::crypt::chain

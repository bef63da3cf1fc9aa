// What HTTPS trusts: the certificate stores' contents, read for each request.
#pragma once

#include "transfer.h"

namespace platform::inet {

// The certificates of the user's and the machine's "Root" stores (anchors)
// and "CA" stores (intermediates), and the CRLs of all four.
TrustMaterial currentTrustMaterial();

}  // namespace platform::inet

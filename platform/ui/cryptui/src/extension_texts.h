// The extensions of a certificate as the view lists them: a Czech name and
// the decoded value for the extensions the layer decodes (key usage, basic
// constraints, enhanced key usage, alternative names, key identifiers, CRL
// distribution points, policies), the value's bytes in hex for the others
// and for a value that does not decode.
#pragma once

#include <vector>

#include "platform/ui.h"
#include "win32/crypt_store.h"

namespace platform::cryptui {

std::vector<ui::CertificateLine> extensionLines(const CERT_INFO& info);

}  // namespace platform::cryptui

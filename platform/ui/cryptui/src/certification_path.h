// The certification path of a certificate as the view shows it: the chain
// the layer's chain engine builds (with the caller's further stores), each
// certificate from the root down with its own status, and the verdict on
// the whole path.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"
#include "win32/crypt_store.h"

namespace platform::cryptui {

struct CertificationPath {
    std::vector<ui::CertificateLine> certificates;  // root first: name, status
    std::string verdict;
};

// `extraStores` may be empty. Throws WinError when no chain can be built.
CertificationPath certificationPath(PCCERT_CONTEXT certificate, const std::vector<HCERTSTORE>& extraStores);

}  // namespace platform::cryptui

// What the system stores of the test's platform root hold.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_store.h"

namespace ostrim_test {

using Bytes = std::vector<BYTE>;

// The encoded certificates of a system store in store order; empty when the
// store does not open.
inline std::vector<Bytes> certificatesIn(DWORD location, const char16_t* name) {
    std::vector<Bytes> found;
    const HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                           location | CERT_STORE_OPEN_EXISTING_FLAG | CERT_STORE_READONLY_FLAG, name);
    if (!store) return found;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c; c = CertEnumCertificatesInStore(store, c))
        found.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    CertCloseStore(store, 0);
    return found;
}

inline std::vector<Bytes> machineStore(const char16_t* name) {
    return certificatesIn(CERT_SYSTEM_STORE_LOCAL_MACHINE, name);
}

}  // namespace ostrim_test

// trust_material.cpp: reading the Root and CA system stores.
#include "trust_material.h"

#include "win32/crypt_store.h"
#include "win32/error.h"

namespace platform::inet {

namespace {

void collect(DWORD location, const char16_t* name, std::vector<Der>& certificates, std::vector<Der>& crls) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                     location | CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG, name);
    if (!store) return;  // a store that cannot be read trusts nothing
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));)
        certificates.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    for (PCCRL_CONTEXT c = nullptr; (c = CertEnumCRLsInStore(store, c));)
        crls.emplace_back(c->pbCrlEncoded, c->pbCrlEncoded + c->cbCrlEncoded);
    CertCloseStore(store, 0);
}

}  // namespace

TrustMaterial currentTrustMaterial() {
    // Reading to the end of a store sets CRYPT_E_NOT_FOUND; the caller's
    // last error is not ours to change.
    const DWORD lastError = GetLastError();
    TrustMaterial trust;
    for (DWORD location : {CERT_SYSTEM_STORE_CURRENT_USER, CERT_SYSTEM_STORE_LOCAL_MACHINE}) {
        collect(location, u"Root", trust.anchors, trust.crls);
        collect(location, u"CA", trust.intermediates, trust.crls);
    }
    SetLastError(lastError);
    return trust;
}

}  // namespace platform::inet

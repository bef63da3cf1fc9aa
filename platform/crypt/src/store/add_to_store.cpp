// Adding certificates and CRLs to stores, by context or from their encoding.
#include "platform/boundary.h"
#include "store/references.h"
#include "store/store.h"
#include "store/store_lock.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

std::shared_ptr<Element> candidateOf(Kind kind, DWORD encodingType, const BYTE* pbEncoded, DWORD cbEncoded) {
    if (!pbEncoded && cbEncoded) throw WinError(E_INVALIDARG, "no encoded bytes");
    return std::make_shared<Element>(kind, encodingType, View(pbEncoded, pbEncoded ? cbEncoded : 0));
}

// A copy of a context for another store: with its properties when it is one
// of ours, from its encoding alone when the caller built the record.
std::shared_ptr<Element> candidateOf(const void* context, Kind kind) {
    if (!context) throw WinError(E_INVALIDARG, "no context");
    if (const auto element = referencedElement(context, kind)) return copyOf(*element);
    if (kind == Kind::Certificate) {
        const auto& cert = *static_cast<const CERT_CONTEXT*>(context);
        return candidateOf(kind, cert.dwCertEncodingType, cert.pbCertEncoded, cert.cbCertEncoded);
    }
    const auto& crl = *static_cast<const CRL_CONTEXT*>(context);
    return candidateOf(kind, crl.dwCertEncodingType, crl.pbCrlEncoded, crl.cbCrlEncoded);
}

template <class Context>
bool addToStore(HCERTSTORE hStore, const std::shared_ptr<Element>& candidate, DWORD disposition, Context* out) {
    const auto added = storeOf(hStore)->add(candidate, disposition);
    if (out) {
        addReference(added);
        *out = static_cast<Context>(added->context());
    }
    return true;
}

template <class Context>
void clear(Context* out) {
    if (out) *out = nullptr;
}

}  // namespace

BOOL CertAddCertificateContextToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext, DWORD dwAddDisposition,
                                      PCCERT_CONTEXT* ppStoreContext) noexcept {
    clear(ppStoreContext);
    return winBool([&] {
        const auto lock = lockStores();
        return addToStore(hCertStore, candidateOf(pCertContext, Kind::Certificate), dwAddDisposition,
                          ppStoreContext);
    });
}

BOOL CertAddEncodedCertificateToStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType, const BYTE* pbCertEncoded,
                                      DWORD cbCertEncoded, DWORD dwAddDisposition,
                                      PCCERT_CONTEXT* ppCertContext) noexcept {
    clear(ppCertContext);
    return winBool([&] {
        const auto lock = lockStores();
        return addToStore(hCertStore,
                          candidateOf(Kind::Certificate, dwCertEncodingType, pbCertEncoded, cbCertEncoded),
                          dwAddDisposition, ppCertContext);
    });
}

BOOL CertAddCRLContextToStore(HCERTSTORE hCertStore, PCCRL_CONTEXT pCrlContext, DWORD dwAddDisposition,
                              PCCRL_CONTEXT* ppStoreContext) noexcept {
    clear(ppStoreContext);
    return winBool([&] {
        const auto lock = lockStores();
        return addToStore(hCertStore, candidateOf(pCrlContext, Kind::Crl), dwAddDisposition, ppStoreContext);
    });
}

BOOL CertAddEncodedCRLToStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType, const BYTE* pbCrlEncoded,
                              DWORD cbCrlEncoded, DWORD dwAddDisposition, PCCRL_CONTEXT* ppCrlContext) noexcept {
    clear(ppCrlContext);
    return winBool([&] {
        const auto lock = lockStores();
        return addToStore(hCertStore, candidateOf(Kind::Crl, dwCertEncodingType, pbCrlEncoded, cbCrlEncoded),
                          dwAddDisposition, ppCrlContext);
    });
}

// CertEnumCertificatesInStore and CertEnumCRLsInStore: store order, the
// previous context freed as on Windows.
#include "platform/boundary.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "store/store_walk.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

const void* nextContext(HCERTSTORE hStore, const void* previous, Kind kind) {
    const auto lock = lockStores();
    const ConsumedContext consumed(previous, kind);
    if (previous && !consumed.element()) throw WinError(E_INVALIDARG, "not a context of this process");
    const auto next = nextInStore(*storeOf(hStore), kind, consumed.element().get(), [](Element&) { return true; });
    addReference(next);
    return next->context();
}

}  // namespace

PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pPrevCertContext) noexcept {
    return winValue<PCCERT_CONTEXT>(nullptr, [&] {
        return static_cast<PCCERT_CONTEXT>(nextContext(hCertStore, pPrevCertContext, Kind::Certificate));
    });
}

PCCRL_CONTEXT CertEnumCRLsInStore(HCERTSTORE hCertStore, PCCRL_CONTEXT pPrevCrlContext) noexcept {
    return winValue<PCCRL_CONTEXT>(nullptr, [&] {
        return static_cast<PCCRL_CONTEXT>(nextContext(hCertStore, pPrevCrlContext, Kind::Crl));
    });
}

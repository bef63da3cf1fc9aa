// CertDeleteCertificateFromStore: the certificate leaves its store (and the
// registry, for a system store); the context passed is freed in any case.
#include "platform/boundary.h"
#include "store/local_store.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

BOOL CertDeleteCertificateFromStore(PCCERT_CONTEXT pCertContext) noexcept {
    return winBool([&] {
        const auto lock = lockStores();
        const ConsumedContext consumed(pCertContext, Kind::Certificate);
        if (!consumed.element()) throw WinError(E_INVALIDARG, "not a context of this process");
        consumed.element()->store()->remove(*consumed.element());
        return true;
    });
}

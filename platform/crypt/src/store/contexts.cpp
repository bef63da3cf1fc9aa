// Creating, duplicating and freeing certificate and CRL contexts.
#include "platform/boundary.h"
#include "store/local_store.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

// A context of its own: the element goes into a memory store that lives as
// long as the context, so hCertStore is a store like any other.
const void* createContext(Kind kind, DWORD encodingType, const BYTE* pbEncoded, DWORD cbEncoded) {
    if (!pbEncoded && cbEncoded) throw WinError(E_INVALIDARG, "no encoded bytes");
    const auto lock = lockStores();
    auto element = std::make_shared<Element>(kind, encodingType, View(pbEncoded, pbEncoded ? cbEncoded : 0));
    auto store = std::make_shared<LocalStore>(0);
    store->append(element);
    registerStore(store);
    addReference(element);
    return element->context();
}

const void* duplicateContext(const void* context, Kind kind) {
    if (!context) return nullptr;
    const auto lock = lockStores();
    const auto element = requireElement(context, kind);
    addReference(element);
    return context;
}

BOOL freeContext(const void* context, Kind kind) {
    const auto lock = lockStores();
    // A pointer that is not a live context is passed over, never followed.
    if (const auto element = referencedElement(context, kind)) dropReference(element);
    return TRUE;
}

}  // namespace

PCCERT_CONTEXT CertCreateCertificateContext(DWORD dwCertEncodingType, const BYTE* pbCertEncoded,
                                            DWORD cbCertEncoded) noexcept {
    return winValue<PCCERT_CONTEXT>(nullptr, [&] {
        return static_cast<PCCERT_CONTEXT>(
            createContext(Kind::Certificate, dwCertEncodingType, pbCertEncoded, cbCertEncoded));
    });
}

PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT pCertContext) noexcept {
    return winValue<PCCERT_CONTEXT>(nullptr, [&] {
        return static_cast<PCCERT_CONTEXT>(duplicateContext(pCertContext, Kind::Certificate));
    });
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT pCertContext) noexcept {
    return winBool([&] { return freeContext(pCertContext, Kind::Certificate); });
}

PCCRL_CONTEXT CertCreateCRLContext(DWORD dwCertEncodingType, const BYTE* pbCrlEncoded, DWORD cbCrlEncoded) noexcept {
    return winValue<PCCRL_CONTEXT>(nullptr, [&] {
        return static_cast<PCCRL_CONTEXT>(createContext(Kind::Crl, dwCertEncodingType, pbCrlEncoded, cbCrlEncoded));
    });
}

PCCRL_CONTEXT CertDuplicateCRLContext(PCCRL_CONTEXT pCrlContext) noexcept {
    return winValue<PCCRL_CONTEXT>(nullptr, [&] {
        return static_cast<PCCRL_CONTEXT>(duplicateContext(pCrlContext, Kind::Crl));
    });
}

BOOL CertFreeCRLContext(PCCRL_CONTEXT pCrlContext) noexcept {
    return winBool([&] { return freeContext(pCrlContext, Kind::Crl); });
}

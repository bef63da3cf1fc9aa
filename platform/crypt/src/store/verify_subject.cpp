// CertVerifySubjectCertificateContext and CertGetIssuerCertificateFromStore.
#include "platform/boundary.h"
#include "store/references.h"
#include "store/store_lock.h"
#include "store/store_walk.h"
#include "store/subject_checks.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

BOOL CertVerifySubjectCertificateContext(PCCERT_CONTEXT pSubject, PCCERT_CONTEXT pIssuer, DWORD* pdwFlags) noexcept {
    return winBool([&] {
        if (!pSubject || !pSubject->pCertInfo || !pdwFlags) throw WinError(E_INVALIDARG, "no certificate");
        checkSubjectFlags(*pdwFlags);
        if ((*pdwFlags & CERT_STORE_SIGNATURE_FLAG) && (!pIssuer || !pIssuer->pCertInfo))
            throw WinError(E_INVALIDARG, "a signature check needs the issuer");
        *pdwFlags = failingChecks(pSubject, pIssuer, *pdwFlags);
        return true;
    });
}

PCCERT_CONTEXT CertGetIssuerCertificateFromStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pSubjectContext,
                                                 PCCERT_CONTEXT pPrevIssuerContext, DWORD* pdwFlags) noexcept {
    return winValue<PCCERT_CONTEXT>(nullptr, [&] {
        const auto lock = lockStores();
        const ConsumedContext consumed(pPrevIssuerContext, Kind::Certificate);
        if (!pSubjectContext || !pSubjectContext->pCertInfo || !pdwFlags)
            throw WinError(E_INVALIDARG, "no certificate");
        if (pPrevIssuerContext && !consumed.element()) throw WinError(E_INVALIDARG, "not a context of this process");
        // The output bits of an earlier call may come back in.
        const DWORD flags = *pdwFlags & ~(CERT_STORE_NO_CRL_FLAG | CERT_STORE_NO_ISSUER_FLAG);
        checkSubjectFlags(flags);
        const CERT_INFO& subject = *pSubjectContext->pCertInfo;
        if (sameBytes(viewOf(subject.Subject), viewOf(subject.Issuer)))
            throw WinError(CRYPT_E_SELF_SIGNED, "the certificate is its own issuer");
        std::shared_ptr<Element> issuer;
        try {
            issuer = nextInStore(*storeOf(hCertStore), Kind::Certificate, consumed.element().get(), [&](Element& e) {
                return sameBytes(viewOf(e.certInfo().Subject), viewOf(subject.Issuer));
            });
        } catch (const WinError& e) {
            if (e.code() == static_cast<DWORD>(CRYPT_E_NOT_FOUND) && (flags & CERT_STORE_SIGNATURE_FLAG))
                *pdwFlags = flags | CERT_STORE_NO_ISSUER_FLAG;
            throw;
        }
        *pdwFlags = failingChecks(pSubjectContext, issuer->cert(), flags);
        addReference(issuer);
        return issuer->cert();
    });
}

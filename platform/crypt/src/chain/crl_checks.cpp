#include "chain/crl_checks.h"

#include "chain/crl_signature.h"
#include "store/compare.h"
#include "store/file_time.h"
#include "win32/crypt_store.h"

namespace platform::crypt::chain {

namespace {

constexpr char kDeltaCrlIndicator[] = "2.5.29.27";

bool mayIssueCrls(PCCERT_CONTEXT issuer) {
    BYTE usage = 0;
    // FALSE with no extension: the key is not restricted.
    return !CertGetIntendedKeyUsage(X509_ASN_ENCODING, issuer->pCertInfo, &usage, 1) ||
           (usage & CERT_CRL_SIGN_KEY_USAGE);
}

}  // namespace

bool crlUsable(PCCRL_CONTEXT crl, PCCERT_CONTEXT issuer, ULONGLONG now) {
    const CRL_INFO& info = *crl->pCrlInfo;
    const ULONGLONG nextUpdate = store::ticksOf(info.NextUpdate);
    return store::sameBytes(store::viewOf(info.Issuer), store::viewOf(issuer->pCertInfo->Subject)) &&
           !CertFindExtension(kDeltaCrlIndicator, info.cExtension, info.rgExtension) &&
           (nextUpdate == 0 || now <= nextUpdate) && mayIssueCrls(issuer) && crlSignedBy(crl, issuer);
}

const CRL_ENTRY* entryFor(PCCRL_CONTEXT crl, const CERT_INFO& cert) {
    const CRL_INFO& info = *crl->pCrlInfo;
    for (DWORD i = 0; i < info.cCRLEntry; ++i)
        if (store::sameInteger(store::viewOf(info.rgCRLEntry[i].SerialNumber), store::viewOf(cert.SerialNumber)))
            return &info.rgCRLEntry[i];
    return nullptr;
}

}  // namespace platform::crypt::chain

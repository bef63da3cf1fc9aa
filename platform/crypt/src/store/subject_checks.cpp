#include "store/subject_checks.h"

#include "platform/clock.h"
#include "platform/win_error.h"
#include "store/decoded.h"
#include "store/file_time.h"
#include "store/signature_check.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

namespace {

bool withinValidity(const CERT_INFO& info) {
    const ULONGLONG now = clock::nowFileTime();
    return ticksOf(info.NotBefore) <= now && now <= ticksOf(info.NotAfter);
}

bool signedBy(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer) {
    try {
        const auto signedContent =
            decodeObject<CERT_SIGNED_CONTENT_INFO>(X509_CERT, View(subject->pbCertEncoded, subject->cbCertEncoded),
                                                   CRYPT_DECODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG);
        const CRYPT_ALGORITHM_IDENTIFIER& algorithm = signedContent->SignatureAlgorithm;
        return algorithm.pszObjId && signatureVerifies({algorithm.pszObjId, viewOf(algorithm.Parameters)},
                                                       viewOf(signedContent->ToBeSigned),
                                                       viewOf(signedContent->Signature),
                                                       issuer->pCertInfo->SubjectPublicKeyInfo);
    } catch (const WinError&) {
        return false;  // what does not decode is not signed by anyone
    }
}

}  // namespace

void checkSubjectFlags(DWORD flags) {
    if (flags & ~(CERT_STORE_SIGNATURE_FLAG | CERT_STORE_TIME_VALIDITY_FLAG))
        throw WinError(E_INVALIDARG, "verification flags not supported");
}

DWORD failingChecks(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer, DWORD flags) {
    if ((flags & CERT_STORE_SIGNATURE_FLAG) && signedBy(subject, issuer)) flags &= ~CERT_STORE_SIGNATURE_FLAG;
    if ((flags & CERT_STORE_TIME_VALIDITY_FLAG) && withinValidity(*subject->pCertInfo))
        flags &= ~CERT_STORE_TIME_VALIDITY_FLAG;
    return flags;
}

}  // namespace platform::crypt::store

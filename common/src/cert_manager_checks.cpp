// cert_manager_checks.cpp: time validity and chain validity of remembered
// certificates.
#include "cert_manager_checks.h"

#include "common/cert_context.h"
#include "common/chain_check.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"

bool IsTimeValidNow(const CertInfo& record) {
    const OwnedCertContext context(CertContextFromInfo(record));
    return VerifySubjectCertificate(context.get(), nullptr, CERT_STORE_TIME_VALIDITY_FLAG);
}

// The chain now, its issuers also looked for in the certificate's own store.
bool ChainValidates(const CertInfo& record, DWORD flags) {
    return TCryptoapi::CheckCertificate(record, flags, nullptr, nullptr, nullptr) != 0;
}

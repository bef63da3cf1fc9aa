// cert_manager_checks.cpp: time validity and chain validity of remembered
// certificates.
#include "cert_manager_checks.h"

#include "common/cert_context.h"
#include "owned_context.h"

bool IsTimeValidNow(const CertInfo& record) {
    const OwnedCertContext context(CertContextFromInfo(record));
    DWORD flags = CERT_STORE_TIME_VALIDITY_FLAG;
    return context && CertVerifySubjectCertificateContext(context.get(), nullptr, &flags) && flags == 0;
}

// The chain check of certificate verification (TCryptoapi::CheckCertificate)
// does not exist yet; until it does no chain counts as validated, so the
// chain flags select nothing rather than certificates nobody checked.
bool ChainValidates(const CertInfo&, DWORD) { return false; }

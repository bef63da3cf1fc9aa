// cert_selection_checks.cpp: time validity and the selection flags.
#include "cert_selection_checks.h"

#include "common/cert_context.h"
#include "common/cert_manager.h"
#include "common/chain_check.h"
#include "common/cryptoapi.h"
#include "common/owned_context.h"

namespace {

bool IsTimeValidNow(PCCERT_CONTEXT context) {
    return VerifySubjectCertificate(context, nullptr, CERT_STORE_TIME_VALIDITY_FLAG);
}

}  // namespace

bool IsTimeValidNow(const CertInfo& record) {
    const OwnedCertContext context(CertContextFromInfo(record));
    return IsTimeValidNow(context.get());
}

bool PassesSelectionFlags(const CertInfo& record, PCCERT_CONTEXT context, DWORD flags) {
    if ((flags & sgCertQualifiedOnly) && !record.IsQualified()) return false;
    if ((flags & sgCertSSCDOnly) && !record.IsSscd(0)) return false;
    // The chain check covers the validity period, so bit 1 adds nothing to it.
    if (flags & sgCertChainCrlValid)
        return context && TCryptoapi::CheckChain(context, flags, context->hCertStore, nullptr, nullptr, nullptr) != 0;
    if (flags & sgCertValid) return IsTimeValidNow(context);
    return true;
}

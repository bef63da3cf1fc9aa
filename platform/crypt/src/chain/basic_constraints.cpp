#include "chain/basic_constraints.h"

#include "store/bytes.h"

namespace platform::crypt::chain {

namespace {

bool selfIssued(PCCERT_CONTEXT cert) {
    return store::sameBytes(store::viewOf(cert->pCertInfo->Subject), store::viewOf(cert->pCertInfo->Issuer));
}

}  // namespace

bool mayActAsCa(const std::vector<PCCERT_CONTEXT>& path, std::size_t index,
                const std::optional<CERT_BASIC_CONSTRAINTS2_INFO>& constraints, bool noneAllowed) {
    if (!constraints) return noneAllowed;
    if (!constraints->fCA) return false;
    if (!constraints->fPathLenConstraint) return true;
    DWORD below = 0;
    for (std::size_t i = 1; i < index; ++i)
        if (!selfIssued(path[i])) ++below;
    return below <= constraints->dwPathLenConstraint;
}

}  // namespace platform::crypt::chain

// basic_constraints_policy.cpp: CERT_CHAIN_POLICY_BASIC_CONSTRAINTS, read
// from the certificates' own extensions: one without them is taken to be
// allowed its place.
#include <optional>
#include <vector>

#include "chain/basic_constraints.h"
#include "chain/policies.h"
#include "platform/win_error.h"
#include "store/decoded.h"

namespace platform::crypt::chain {

namespace {

// nullopt: no extension. A damaged one fails the policy.
std::optional<CERT_BASIC_CONSTRAINTS2_INFO> constraintsOf(PCCERT_CONTEXT cert, bool& damaged) {
    const CERT_INFO& info = *cert->pCertInfo;
    const CERT_EXTENSION* extension = CertFindExtension(szOID_BASIC_CONSTRAINTS2, info.cExtension, info.rgExtension);
    if (!extension) return std::nullopt;
    try {
        return *store::decodeObject<CERT_BASIC_CONSTRAINTS2_INFO>(X509_BASIC_CONSTRAINTS2,
                                                                  store::viewOf(extension->Value));
    } catch (const WinError&) {
        damaged = true;
        return std::nullopt;
    }
}

// The end certificate as the flags want it: a CA, an end entity, or (neither
// or both flags) either.
bool endCertificateFits(const std::optional<CERT_BASIC_CONSTRAINTS2_INFO>& constraints, DWORD flags) {
    const bool wantCa = flags & BASIC_CONSTRAINTS_CERT_CHAIN_POLICY_CA_FLAG;
    const bool wantEnd = flags & BASIC_CONSTRAINTS_CERT_CHAIN_POLICY_END_ENTITY_FLAG;
    if (!constraints || wantCa == wantEnd) return true;
    return (constraints->fCA != FALSE) == wantCa;
}

}  // namespace

void applyBasicConstraintsPolicy(const CERT_CHAIN_CONTEXT& chain, DWORD flags, CERT_CHAIN_POLICY_STATUS& status) {
    for (DWORD c = 0; c < chain.cChain; ++c) {
        const CERT_SIMPLE_CHAIN& simple = *chain.rgpChain[c];
        std::vector<PCCERT_CONTEXT> path;
        for (DWORD e = 0; e < simple.cElement; ++e) path.push_back(simple.rgpElement[e]->pCertContext);
        for (DWORD e = 0; e < simple.cElement; ++e) {
            bool damaged = false;
            const auto constraints = constraintsOf(path[e], damaged);
            const bool fits = e == 0 ? endCertificateFits(constraints, flags) : mayActAsCa(path, e, constraints, true);
            if (damaged || !fits) {
                status.dwError = static_cast<DWORD>(TRUST_E_BASIC_CONSTRAINTS);
                status.lChainIndex = static_cast<LONG>(c);
                status.lElementIndex = static_cast<LONG>(e);
                return;
            }
        }
    }
}

}  // namespace platform::crypt::chain

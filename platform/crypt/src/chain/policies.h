// The chain policies behind CertVerifyCertificateChainPolicy. Each fills
// dwError, lChainIndex and lElementIndex of a status whose fields start as
// "no error" (0, -1, -1).
#pragma once

#include "win32/crypt_chain.h"

namespace platform::crypt::chain {

void applyBasePolicy(const CERT_CHAIN_CONTEXT& chain, DWORD flags, CERT_CHAIN_POLICY_STATUS& status);
void applyBasicConstraintsPolicy(const CERT_CHAIN_CONTEXT& chain, DWORD flags, CERT_CHAIN_POLICY_STATUS& status);

}  // namespace platform::crypt::chain

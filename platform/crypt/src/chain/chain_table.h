// The chains callers hold, by address, each with its count of references.
// A pointer that is not one of them is refused or, on release, ignored, so
// a freed or forged chain is never followed.
#pragma once

#include <memory>

#include "chain/chain_record.h"

namespace platform::crypt::chain {

PCCERT_CHAIN_CONTEXT publish(std::unique_ptr<ChainRecord> record);
// The chain with one more reference; null for an unknown pointer.
PCCERT_CHAIN_CONTEXT addChainReference(PCCERT_CHAIN_CONTEXT chain);
// At the last reference the record and the contexts it holds go.
void dropChainReference(PCCERT_CHAIN_CONTEXT chain);
bool isLiveChain(PCCERT_CHAIN_CONTEXT chain);

}  // namespace platform::crypt::chain

// What each provider offers: the PP_ENUMALGS(_EX) records, in the order the
// provider lists them, and the key lengths CryptGenKey accepts.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "win32/crypt_types.h"

namespace platform::crypt::provider {

struct AlgorithmInfo {
    ALG_ID id;
    DWORD defaultBits;
    DWORD minBits;
    DWORD maxBits;
    DWORD protocols;
    const char* name;      // at most 19 characters
    const char* longName;  // at most 39 characters
};

using AlgorithmList = std::span<const AlgorithmInfo>;

// The list of a built-in software provider, by its registered name (case
// insensitive); empty for a name that is not one of them.
AlgorithmList builtInAlgorithms(std::u16string_view providerName);

// A card provider's list: RSA keys in the token's range (1,024 bits by
// default where the range allows), and the SHA-1 and SHA-256 hashes that
// the provider computes itself before the token signs.
std::vector<AlgorithmInfo> cardAlgorithms(DWORD minBits, DWORD maxBits);

const AlgorithmInfo* findAlgorithm(AlgorithmList list, ALG_ID id);

// The key length in bits that CryptGenKey asks for (the high word of its
// flags, 0 for the default), checked against the provider's range and its
// steps of 8 bits; NTE_BAD_FLAGS otherwise. NTE_BAD_ALGID when the provider
// lacks the algorithm.
DWORD keyLengthFor(AlgorithmList list, ALG_ID id, DWORD requestedBits);

}  // namespace platform::crypt::provider

// The signer's algorithm table: the digest and content-encryption
// algorithms it can be told to use, each under its own row number. A digest
// row number is 0x8000 plus the sgHashAlgTypes value of the COM interface.
#pragma once

#include "win32/crypt_types.h"

struct TSignerAlg {
    LONG number;
    ALG_ID algId;
    const char* name;
    const char* oid;
};

// No digest algorithm chosen.
inline constexpr LONG kNoHashAlgorithm = -1;
// The bit that makes an sgHashAlgTypes value a digest row number.
inline constexpr LONG kHashRowBase = 0x8000;

// The first row of that number, or null.
const TSignerAlg* FindAlgByNumber(LONG number);
// The first row, in table order, of that algorithm, or null.
const TSignerAlg* FindAlgByAlgId(ALG_ID algId);

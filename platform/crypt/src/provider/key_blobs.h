// PUBLICKEYBLOB and PRIVATEKEYBLOB of RSA keys, byte for byte as CryptoAPI
// lays them out: BLOBHEADER, RSAPUBKEY ("RSA1" / "RSA2", bit length,
// public exponent), then little-endian numbers: the modulus (bitlen/8
// bytes) and, for a private key, prime1, prime2, exponent1, exponent2 and
// the coefficient (bitlen/16 bytes each) and the private exponent
// (bitlen/8 bytes).
#pragma once

#include "rsa_keys.h"

namespace platform::crypt::provider {

Bytes exportPublicBlob(const EVP_PKEY& key, ALG_ID algorithm);
Bytes exportPrivateBlob(const EVP_PKEY& key, ALG_ID algorithm);

struct ImportedBlob {
    BYTE type = 0;  // PUBLICKEYBLOB or PRIVATEKEYBLOB
    ALG_ID algorithm = 0;
    PKey key;
};
// NTE_BAD_TYPE for another blob type, NTE_BAD_VER for another version,
// NTE_BAD_DATA for a blob that is short, has the wrong magic or numbers that
// do not make a key, NTE_BAD_ALGID for a key that is not RSA.
ImportedBlob importBlob(View blob);

}  // namespace platform::crypt::provider

// An RSA private key in the two forms the session moves keys in: the DER of
// a PKCS#1 RSAPrivateKey (what callers import and export) and CryptoAPI's
// PRIVATEKEYBLOB (what providers take and give). Failing steps are recorded
// for the session (enroll_report.h).
#pragma once

#include <vector>

#include "win32/types.h"

// The numbers of a key, little-endian, without most significant zero bytes.
struct RsaKeyNumbers {
    std::vector<BYTE> n, e, d, p, q, dp, dq, iq;
};

// Reads a PKCS#1 RSAPrivateKey: nine integers, the version not read.
// ERROR_INVALID_PARAMETER for another number of elements; the decoder's
// error for bytes that do not decode.
bool DecodeRsaPrivateKey(const std::vector<BYTE>& der, RsaKeyNumbers& out);
// The RSAPrivateKey of version 0, each integer in its shortest DER form.
bool EncodeRsaPrivateKey(const RsaKeyNumbers& key, std::vector<BYTE>& der);

// The PRIVATEKEYBLOB of the key for the algorithm (CALG_RSA_SIGN or
// CALG_RSA_KEYX), its bit length eight times the modulus length, each
// number written at the width of its place (shorter ones padded).
// ERROR_INVALID_PARAMETER for a public exponent wider than 32 bits or a
// number wider than its place.
bool MakePrivateKeyBlob(const RsaKeyNumbers& key, ALG_ID algorithm, std::vector<BYTE>& blob);
// The numbers of a PRIVATEKEYBLOB; false, with nothing recorded, for a blob
// shorter than its bit length asks.
bool ReadPrivateKeyBlob(const std::vector<BYTE>& blob, RsaKeyNumbers& out);

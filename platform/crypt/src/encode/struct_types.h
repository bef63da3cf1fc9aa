// The structure types CryptEncodeObject(Ex) and CryptDecodeObject(Ex) know.
#pragma once

#include "encode/codec.h"

namespace platform::crypt {

struct Codec {
    EncodeFn encode;
    DecodeFn decode;
};

// The codec of a structure type given as a small integer or an OID, for the
// X.509 or PKCS #7 ASN.1 encoding; ERROR_FILE_NOT_FOUND for anything else, as
// CryptoAPI reports a type it has no function for.
const Codec& codecFor(DWORD encodingType, LPCSTR structType);

}  // namespace platform::crypt

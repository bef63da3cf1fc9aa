// RSA keys in PKCS #1 into CryptoAPI key blobs.
#include "decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    crypt_fuzz::decodeAll({RSA_CSP_PUBLICKEYBLOB, PKCS_RSA_PRIVATE_KEY}, data, size);
    return 0;
}

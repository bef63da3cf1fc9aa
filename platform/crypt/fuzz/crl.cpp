// CRLs: the signed envelope and the list itself.
#include "decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    crypt_fuzz::decodeAll({X509_CERT, X509_CERT_CRL_TO_BE_SIGNED}, data, size);
    return 0;
}

// Certificates and requests: the signed envelope and what is signed.
#include "decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    crypt_fuzz::decodeAll({X509_CERT, X509_CERT_TO_BE_SIGNED, X509_CERT_REQUEST_TO_BE_SIGNED, X509_PUBLIC_KEY_INFO},
                          data, size);
    return 0;
}

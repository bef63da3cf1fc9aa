// The generic shapes the message and policy code walks: sequences of
// anything, attributes, algorithm identifiers, integers and times.
#include "decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    crypt_fuzz::decodeAll({X509_SEQUENCE_OF_ANY, PKCS_ATTRIBUTE, PKCS_ATTRIBUTES, X509_ALGORITHM_IDENTIFIER,
                           X509_INTEGER, X509_ENUMERATED, X509_MULTI_BYTE_INTEGER, X509_MULTI_BYTE_UINT,
                           X509_CHOICE_OF_TIME, X509_BITS},
                          data, size);
    return 0;
}

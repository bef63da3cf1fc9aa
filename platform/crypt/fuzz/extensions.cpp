// Extensions and the extension values the system reads.
#include "decode_all.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    crypt_fuzz::decodeAll({X509_EXTENSIONS, X509_ALTERNATE_NAME, X509_KEY_USAGE, X509_BASIC_CONSTRAINTS2,
                           X509_ENHANCED_KEY_USAGE, X509_CERT_POLICIES, X509_PKIX_POLICY_QUALIFIER_USERNOTICE,
                           X509_CRL_DIST_POINTS, X509_AUTHORITY_KEY_ID2, X509_OCTET_STRING},
                          data, size);
    return 0;
}

// The certificates and CRLs a PKCS #7 SignedData carries (RFC 2315 / RFC
// 5652 section 5.1), read with the DER reader: ContentInfo { signedData,
// [0] SignedData { version, digestAlgorithms, contentInfo, [0] certificates,
// [1] crls, signerInfos } }. Choices other than plain certificates (extended
// and attribute certificates) are passed over.
#pragma once

#include <vector>

#include "store/bytes.h"

namespace platform::crypt::store {

struct SignedDataContents {
    std::vector<View> certificates;
    std::vector<View> crls;
};

// CRYPT_E_ASN1_* for damaged DER, CRYPT_E_INVALID_MSG_TYPE for another content type.
SignedDataContents contentsOfSignedData(View message);

}  // namespace platform::crypt::store

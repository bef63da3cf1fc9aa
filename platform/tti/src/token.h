// token.h: a time-stamp token (RFC 3161 2.4.2): a ContentInfo with
// SignedData whose content is a TSTInfo.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "der.h"
#include "ossl.h"

namespace tti {

struct SplitToken {
    der::Bytes token;                               // the token's own bytes when it carried no attribute certificate
    std::vector<der::Bytes> attributeCertificates;  // each as a DER AttributeCertificate
};

// The token without the attribute certificates of its certificate set (CMS
// CertificateChoices [1] and [2]), and those certificates.
// TTI_E_NOT_A_TOKEN when the bytes are not a ContentInfo with SignedData.
SplitToken splitAttributeCertificates(std::span<const std::uint8_t> token);

// The token as OpenSSL reads it (attribute certificates left out, as OpenSSL
// knows only X.509 ones); TTI_E_NOT_A_TOKEN when it is not a time-stamp token.
Pkcs7 decodeToken(std::span<const std::uint8_t> token);
TstInfo decodeTstInfo(PKCS7* token);

}  // namespace tti

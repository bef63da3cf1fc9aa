#include "chain/crl_signature.h"

#include "platform/win_error.h"
#include "store/decoded.h"
#include "store/signature_check.h"
#include "win32/crypt_encode.h"

namespace platform::crypt::chain {

bool crlSignedBy(PCCRL_CONTEXT crl, PCCERT_CONTEXT issuer) {
    try {
        const auto content = store::decodeObject<CERT_SIGNED_CONTENT_INFO>(
            X509_CERT, store::View(crl->pbCrlEncoded, crl->cbCrlEncoded), CRYPT_DECODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG);
        const CRYPT_ALGORITHM_IDENTIFIER& algorithm = content->SignatureAlgorithm;
        return algorithm.pszObjId &&
               store::signatureVerifies(
                   {algorithm.pszObjId, store::viewOf(algorithm.Parameters)}, store::viewOf(content->ToBeSigned),
                   store::viewOf(content->Signature),
                   issuer->pCertInfo->SubjectPublicKeyInfo);
    } catch (const WinError&) {
        return false;  // what does not decode is signed by no one
    }
}

}  // namespace platform::crypt::chain

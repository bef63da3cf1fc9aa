// CryptSignAndEncodeCertificate: a to-be-signed structure encoded, signed
// through the provider and wrapped as X509_CERT, as certificates, CRLs and
// requests are made.
#include <string>

#include "msg/crypt_handles.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "store/decoded.h"
#include "win32/crypt_oid.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_store.h"

using namespace platform;
using namespace platform::crypt::store;

namespace {

// The hash a signature algorithm runs over the data.
ALG_ID hashOfSignature(LPCSTR oid) {
    PCCRYPT_OID_INFO info =
        CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid), CRYPT_SIGN_ALG_OID_GROUP_ID);
    if (!info || GET_ALG_CLASS(info->Algid) != ALG_CLASS_HASH)
        throw WinError(CRYPT_E_UNKNOWN_ALGO, std::string("signature algorithm ") + oid);
    return info->Algid;
}

DWORD signatureSize(const crypt::msg::HashHandle& hash, DWORD keySpec) {
    DWORD size = 0;
    if (!CryptSignHashW(hash.get(), keySpec, nullptr, 0, nullptr, &size)) crypt::msg::throwLastError("CryptSignHash");
    return size;
}

Bytes signedEnvelope(const Bytes& toBeSigned, const CRYPT_ALGORITHM_IDENTIFIER& algorithm, Bytes& signature) {
    CERT_SIGNED_CONTENT_INFO content{};
    content.ToBeSigned = {static_cast<DWORD>(toBeSigned.size()), const_cast<BYTE*>(toBeSigned.data())};
    content.SignatureAlgorithm = algorithm;
    content.Signature = {static_cast<DWORD>(signature.size()), signature.data(), 0};
    return encodeObject(X509_CERT, &content);
}

}  // namespace

BOOL CryptSignAndEncodeCertificate(HCRYPTPROV_OR_NCRYPT_KEY_HANDLE hCryptProvOrNCryptKey, DWORD dwKeySpec,
                                   DWORD dwCertEncodingType, LPCSTR lpszStructType, const void* pvStructInfo,
                                   PCRYPT_ALGORITHM_IDENTIFIER pSignatureAlgorithm, const void*, BYTE* pbEncoded,
                                   DWORD* pcbEncoded) noexcept {
    return winBool([&] {
        if (!(dwCertEncodingType & X509_ASN_ENCODING)) throw WinError(E_INVALIDARG, "not an X.509 encoding");
        if (!pcbEncoded) throw WinError(ERROR_INVALID_PARAMETER, "null size pointer");
        if (!pvStructInfo || !pSignatureAlgorithm || !pSignatureAlgorithm->pszObjId)
            throw WinError(E_INVALIDARG, "nothing to sign");
        const Bytes toBeSigned = encodeObject(lpszStructType, pvStructInfo);
        crypt::msg::HashHandle hash(hCryptProvOrNCryptKey, hashOfSignature(pSignatureAlgorithm->pszObjId));
        hash.update(toBeSigned);

        // A signature has the key's length whatever its value, so the size
        // is known before the key is used.
        DWORD size = signatureSize(hash, dwKeySpec);
        Bytes signature(size);
        const Bytes measured = signedEnvelope(toBeSigned, *pSignatureAlgorithm, signature);
        if (!pbEncoded || *pcbEncoded < measured.size()) {
            copyOut(measured, pbEncoded, pcbEncoded);
            return true;
        }
        if (!CryptSignHashW(hash.get(), dwKeySpec, nullptr, 0, signature.data(), &size))
            crypt::msg::throwLastError("CryptSignHash");
        signature.resize(size);
        copyOut(signedEnvelope(toBeSigned, *pSignatureAlgorithm, signature), pbEncoded, pcbEncoded);
        return true;
    });
}

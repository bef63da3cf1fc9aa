// CryptGetMessageCertificates: the PKCS #7 store provider over the blob.
#include "win32/crypt_simple_msg.h"
#include "win32/crypt_store.h"

HCERTSTORE CryptGetMessageCertificates(DWORD dwMsgAndCertEncodingType, HCRYPTPROV_LEGACY hCryptProv, DWORD dwFlags,
                                       const BYTE* pbSignedBlob, DWORD cbSignedBlob) noexcept {
    const CRYPT_DATA_BLOB blob{cbSignedBlob, const_cast<BYTE*>(pbSignedBlob)};
    return CertOpenStore(CERT_STORE_PROV_PKCS7, dwMsgAndCertEncodingType, hCryptProv, dwFlags, &blob);
}

// The simplified message functions: a buffer signed into a PKCS #7 / CMS
// SignedData with the signing certificate's own key, a signed message
// verified signer by signer, its certificates as a store, a buffer
// encrypted for recipients' certificates. They are the low-level message
// functions (crypt_msg.h) put together as CryptoAPI puts them, so the bytes
// and the errors are the same as through those.
//
// Every function returns FALSE (or null) with the last error set on failure;
// success leaves the last error alone. A record whose cbSize is not its size,
// or an encoding type without PKCS_7_ASN_ENCODING, is E_INVALIDARG.
#pragma once

#include "win32/crypt_msg.h"

// ---- Signing ---------------------------------------------------------------

// pSigningCert's CERT_KEY_PROV_INFO_PROP_ID names the key: its container and
// provider are acquired (with the property's CRYPT_MACHINE_KEYSET and
// CRYPT_SILENT) for the signature only. The message carries exactly
// rgpMsgCert and rgpMsgCrl, in that order. dwFlags and dwInnerContentType
// must be 0.
struct CRYPT_SIGN_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgEncodingType;
    PCCERT_CONTEXT pSigningCert;
    CRYPT_ALGORITHM_IDENTIFIER HashAlgorithm;
    void* pvHashAuxInfo;  // not used
    DWORD cMsgCert;
    PCCERT_CONTEXT* rgpMsgCert;
    DWORD cMsgCrl;
    PCCRL_CONTEXT* rgpMsgCrl;
    DWORD cAuthAttr;
    PCRYPT_ATTRIBUTE rgAuthAttr;
    DWORD cUnauthAttr;
    PCRYPT_ATTRIBUTE rgUnauthAttr;
    DWORD dwFlags;
    DWORD dwInnerContentType;
};
using PCRYPT_SIGN_MESSAGE_PARA = CRYPT_SIGN_MESSAGE_PARA*;

// The signed message over the blocks (one block unless detached, else
// E_INVALIDARG). The two-call size rule; the size is known without the key,
// so a size query or a short buffer (ERROR_MORE_DATA) never asks for a PIN.
// No key property: CRYPT_E_NO_KEY_PROPERTY; the provider's errors as they
// come (NTE_BAD_KEYSET, SCARD_E_INVALID_CHV, SCARD_W_CANCELLED_BY_USER ...).
BOOL CryptSignMessage(PCRYPT_SIGN_MESSAGE_PARA pSignPara, BOOL fDetachedSignature, DWORD cToBeSigned,
                      const BYTE* rgpbToBeSigned[], DWORD rgcbToBeSigned[], BYTE* pbSignedBlob,
                      DWORD* pcbSignedBlob) noexcept;

// ---- Verifying ---------------------------------------------------------------

// The signer's certificate for the issuer and serial number in pSignerId,
// from the message's certificates (hMsgCertStore, open for the call) or
// anywhere else; null when there is none, with the last error set (a callback
// that sets none gives CRYPT_E_NOT_FOUND). The caller frees the context.
using PFN_CRYPT_GET_SIGNER_CERTIFICATE = PCCERT_CONTEXT (*)(void* pvGetArg, DWORD dwCertEncodingType,
                                                            PCERT_INFO pSignerId, HCERTSTORE hMsgCertStore);

// hCryptProv hashes and verifies (0: the default RSA and AES provider).
// Without pfnGetSignerCertificate the signer's certificate must be in the
// message.
struct CRYPT_VERIFY_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgAndCertEncodingType;
    HCRYPTPROV_LEGACY hCryptProv;
    PFN_CRYPT_GET_SIGNER_CERTIFICATE pfnGetSignerCertificate;
    void* pvGetArg;
};
using PCRYPT_VERIFY_MESSAGE_PARA = CRYPT_VERIFY_MESSAGE_PARA*;

// Verifies signer dwSignerIndex of an attached signed message. The errors
// of CMSG_CTRL_VERIFY_SIGNATURE_EX (CRYPT_E_HASH_VALUE, NTE_BAD_SIGNATURE,
// NTE_BAD_ALGID ...), CRYPT_E_ASN1_* for damaged DER, CRYPT_E_UNKNOWN_ALGO
// for a digest without an ALG_ID, CRYPT_E_UNEXPECTED_MSG_TYPE for a message
// that is not signed, CRYPT_E_NO_SIGNER for an index beyond the signers.
// pcbDecoded (may be null) takes the content by the two-call size rule; on
// success *ppSignerCert (may be null) is the signer's certificate, for the
// caller to free. On failure *pcbDecoded is 0 and *ppSignerCert null.
BOOL CryptVerifyMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA pVerifyPara, DWORD dwSignerIndex,
                                 const BYTE* pbSignedBlob, DWORD cbSignedBlob, BYTE* pbDecoded, DWORD* pcbDecoded,
                                 PCCERT_CONTEXT* ppSignerCert) noexcept;

// The same for a detached signature over the concatenated blocks.
BOOL CryptVerifyDetachedMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA pVerifyPara, DWORD dwSignerIndex,
                                         const BYTE* pbDetachedSignBlob, DWORD cbDetachedSignBlob,
                                         DWORD cToBeSigned, const BYTE* rgpbToBeSigned[], DWORD rgcbToBeSigned[],
                                         PCCERT_CONTEXT* ppSignerCert) noexcept;

// A store of the certificates and CRLs a signed message carries
// (CERT_STORE_PROV_PKCS7 with these arguments); close it with CertCloseStore.
HCERTSTORE CryptGetMessageCertificates(DWORD dwMsgAndCertEncodingType, HCRYPTPROV_LEGACY hCryptProv, DWORD dwFlags,
                                       const BYTE* pbSignedBlob, DWORD cbSignedBlob) noexcept;

// ---- Encrypting ---------------------------------------------------------------

// As CMSG_ENVELOPED_ENCODE_INFO; dwFlags and dwInnerContentType must be 0.
struct CRYPT_ENCRYPT_MESSAGE_PARA {
    DWORD cbSize;
    DWORD dwMsgEncodingType;
    HCRYPTPROV_LEGACY hCryptProv;
    CRYPT_ALGORITHM_IDENTIFIER ContentEncryptionAlgorithm;
    void* pvEncryptionAuxInfo;
    DWORD dwFlags;
    DWORD dwInnerContentType;
};
using PCRYPT_ENCRYPT_MESSAGE_PARA = CRYPT_ENCRYPT_MESSAGE_PARA*;

// An enveloped message of the buffer for each recipient's RSA key, by the
// two-call size rule (a size query encrypts with a key of its own; the size
// does not depend on it). No recipient is E_INVALIDARG.
BOOL CryptEncryptMessage(PCRYPT_ENCRYPT_MESSAGE_PARA pEncryptPara, DWORD cRecipientCert,
                         PCCERT_CONTEXT rgpRecipientCert[], const BYTE* pbToBeEncrypted, DWORD cbToBeEncrypted,
                         BYTE* pbEncryptedBlob, DWORD* pcbEncryptedBlob) noexcept;

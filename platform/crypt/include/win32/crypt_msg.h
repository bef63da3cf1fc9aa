// Low-level cryptographic messages (CryptMsg*): PKCS #7 / CMS messages
// opened on a handle, fed with CryptMsgUpdate and asked for their parts with
// CryptMsgGetParam. Decoding reads DER data and signed messages (RFC 5652
// section 5); the signer records keep the Windows layout and the signed
// attributes of each signer stay byte for byte as received. Encoding makes
// signed messages (signed through each signer's provider, so card keys sign
// as software keys do) and enveloped messages for key-transport recipients.
//
// Message handles are table entries: a stale or forged one fails with
// ERROR_INVALID_HANDLE. Functions fail with the last error set; success
// leaves it alone.
#pragma once

#include "win32/crypt_types.h"

// Message types (CMSG_TYPE_PARAM, dwMsgType).
inline constexpr DWORD CMSG_DATA = 1;
inline constexpr DWORD CMSG_SIGNED = 2;
inline constexpr DWORD CMSG_ENVELOPED = 3;
inline constexpr DWORD CMSG_SIGNED_AND_ENVELOPED = 4;
inline constexpr DWORD CMSG_HASHED = 5;
inline constexpr DWORD CMSG_ENCRYPTED = 6;

// dwFlags of CryptMsgOpenToDecode: the content travels apart from the message.
inline constexpr DWORD CMSG_DETACHED_FLAG = 0x00000004;

// CryptMsgGetParam parameters.
inline constexpr DWORD CMSG_TYPE_PARAM = 1;                   // DWORD
inline constexpr DWORD CMSG_CONTENT_PARAM = 2;                // BYTE[]
inline constexpr DWORD CMSG_INNER_CONTENT_TYPE_PARAM = 4;     // char[]: the OID with its NUL
inline constexpr DWORD CMSG_SIGNER_COUNT_PARAM = 5;           // DWORD
inline constexpr DWORD CMSG_SIGNER_INFO_PARAM = 6;            // CMSG_SIGNER_INFO
inline constexpr DWORD CMSG_SIGNER_CERT_INFO_PARAM = 7;       // CERT_INFO: Issuer and SerialNumber only
inline constexpr DWORD CMSG_SIGNER_HASH_ALGORITHM_PARAM = 8;  // CRYPT_ALGORITHM_IDENTIFIER
inline constexpr DWORD CMSG_SIGNER_AUTH_ATTR_PARAM = 9;       // CRYPT_ATTRIBUTES
inline constexpr DWORD CMSG_SIGNER_UNAUTH_ATTR_PARAM = 10;    // CRYPT_ATTRIBUTES
inline constexpr DWORD CMSG_CERT_COUNT_PARAM = 11;            // DWORD
inline constexpr DWORD CMSG_CERT_PARAM = 12;                  // BYTE[]: an encoded certificate
inline constexpr DWORD CMSG_CRL_COUNT_PARAM = 13;             // DWORD
inline constexpr DWORD CMSG_CRL_PARAM = 14;                   // BYTE[]: an encoded CRL
inline constexpr DWORD CMSG_COMPUTED_HASH_PARAM = 22;         // BYTE[]: the content's hash for signer dwIndex
inline constexpr DWORD CMSG_ENCRYPTED_DIGEST = 27;            // BYTE[]: signer dwIndex's signature value
inline constexpr DWORD CMSG_ENCODED_SIGNER = 28;              // BYTE[]: signer dwIndex's SignerInfo
inline constexpr DWORD CMSG_ENCODED_MESSAGE = 29;             // BYTE[]: the whole message

// CryptMsgControl operations.
inline constexpr DWORD CMSG_CTRL_VERIFY_SIGNATURE = 1;
inline constexpr DWORD CMSG_CTRL_DECRYPT = 2;
inline constexpr DWORD CMSG_CTRL_VERIFY_HASH = 5;
inline constexpr DWORD CMSG_CTRL_ADD_SIGNER = 6;
inline constexpr DWORD CMSG_CTRL_DEL_SIGNER = 7;
inline constexpr DWORD CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR = 8;
inline constexpr DWORD CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR = 9;
inline constexpr DWORD CMSG_CTRL_ADD_CERT = 10;
inline constexpr DWORD CMSG_CTRL_DEL_CERT = 11;
inline constexpr DWORD CMSG_CTRL_ADD_CRL = 12;
inline constexpr DWORD CMSG_CTRL_DEL_CRL = 13;
inline constexpr DWORD CMSG_CTRL_VERIFY_SIGNATURE_EX = 19;

// SignerInfo version 1 names its certificate by issuer and serial number,
// version 3 may name it by subject key identifier; such a signer's Issuer is
// a Name of one attribute szOID_KEYID_RDN whose value is the key identifier
// as an OCTET STRING, and its SerialNumber is empty, as CryptoAPI gives it.
#define szOID_KEYID_RDN "1.3.6.1.4.1.311.10.7.1"

inline constexpr DWORD CMSG_SIGNER_INFO_PKCS_1_5_VERSION = 1;
inline constexpr DWORD CMSG_SIGNER_INFO_CMS_VERSION = 3;

// One block: the record, then what it points to. SerialNumber is
// little-endian, as in CERT_INFO; EncryptedHash is as in the message.
struct CMSG_SIGNER_INFO {
    DWORD dwVersion;
    CERT_NAME_BLOB Issuer;
    CRYPT_INTEGER_BLOB SerialNumber;
    CRYPT_ALGORITHM_IDENTIFIER HashAlgorithm;
    CRYPT_ALGORITHM_IDENTIFIER HashEncryptionAlgorithm;
    CRYPT_DATA_BLOB EncryptedHash;
    CRYPT_ATTRIBUTES AuthAttrs;
    CRYPT_ATTRIBUTES UnauthAttrs;
};
using PCMSG_SIGNER_INFO = CMSG_SIGNER_INFO*;

// Streaming is not offered: CryptMsgOpenToDecode refuses a stream.
struct CMSG_STREAM_INFO;
using PCMSG_STREAM_INFO = CMSG_STREAM_INFO*;

// dwEncodingType must include PKCS_7_ASN_ENCODING (else E_INVALIDARG).
// dwMsgType 0 takes the type from the message; CMSG_DATA or CMSG_SIGNED
// requires that type (CRYPT_E_UNEXPECTED_MSG_TYPE at the final update);
// other types give CRYPT_E_INVALID_MSG_TYPE. hCryptProv hashes the content:
// an algorithm it does not offer makes the final update fail with
// NTE_BAD_ALGID; 0 takes the machine's default RSA and AES provider. The
// provider is not released by the message. Flags other than
// CMSG_DETACHED_FLAG are ignored; pRecipientInfo is not used.
HCRYPTMSG CryptMsgOpenToDecode(DWORD dwMsgEncodingType, DWORD dwFlags, DWORD dwMsgType, HCRYPTPROV_LEGACY hCryptProv,
                               PCERT_INFO pRecipientInfo, PCMSG_STREAM_INFO pStreamInfo) noexcept;

// Pieces are collected until fFinal; the final piece decodes the message
// (CRYPT_E_ASN1_* for damaged DER, CRYPT_E_INVALID_MSG_TYPE for a content
// type not decoded here, CRYPT_E_UNKNOWN_ALGO for a digest algorithm without
// an ALG_ID). A detached message then takes its content the same way, hashed
// as it comes. A piece after the last one is CRYPT_E_MSG_ERROR; a failed
// final update leaves the message failed for good.
BOOL CryptMsgUpdate(HCRYPTMSG hCryptMsg, const BYTE* pbData, DWORD cbData, BOOL fFinal) noexcept;

// The two-call size rule (ERROR_MORE_DATA with the size). Before the final
// update CRYPT_E_STREAM_MSG_NOT_READY, as is CMSG_COMPUTED_HASH_PARAM before
// the detached content's last piece. A parameter the message type lacks is
// CRYPT_E_INVALID_MSG_TYPE; a signer, certificate or CRL index out of range
// CRYPT_E_INVALID_INDEX; a signer without signed (or unsigned) attributes
// CRYPT_E_ATTRIBUTES_MISSING. The content of a detached message is empty.
BOOL CryptMsgGetParam(HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex, void* pvData, DWORD* pcbData) noexcept;

// The same handle, one more reference; each reference is closed on its own.
HCRYPTMSG CryptMsgDuplicate(HCRYPTMSG hCryptMsg) noexcept;
// Drops one reference; a null handle is TRUE.
BOOL CryptMsgClose(HCRYPTMSG hCryptMsg) noexcept;

// ---- Encoding -----------------------------------------------------------------

// One signer of a signed message. The certificate names the signer (issuer
// and serial number, SignerInfo version 1); hCryptProv holds the private key
// dwKeySpec and hashes the content, and is not released by the message.
// HashAlgorithm's parameters are written as given, NULL when empty. With
// authenticated attributes the contentType and messageDigest attributes are
// added to them, and the signature covers their DER SET OF (RFC 5652 section
// 5.4); without any, the signature covers the content's hash alone.
struct CMSG_SIGNER_ENCODE_INFO {
    DWORD cbSize;
    PCERT_INFO pCertInfo;
    HCRYPTPROV hCryptProv;
    DWORD dwKeySpec;
    CRYPT_ALGORITHM_IDENTIFIER HashAlgorithm;
    void* pvHashAuxInfo;  // not used
    DWORD cAuthAttr;
    PCRYPT_ATTRIBUTE rgAuthAttr;
    DWORD cUnauthAttr;
    PCRYPT_ATTRIBUTE rgUnauthAttr;
};
using PCMSG_SIGNER_ENCODE_INFO = CMSG_SIGNER_ENCODE_INFO*;

// Certificates and CRLs are carried in the order given, and only those
// given: the signers' own certificates are not added.
struct CMSG_SIGNED_ENCODE_INFO {
    DWORD cbSize;
    DWORD cSigners;
    PCMSG_SIGNER_ENCODE_INFO rgSigners;
    DWORD cCertEncoded;
    CERT_BLOB* rgCertEncoded;
    DWORD cCrlEncoded;
    CRL_BLOB* rgCrlEncoded;
};
using PCMSG_SIGNED_ENCODE_INFO = CMSG_SIGNED_ENCODE_INFO*;

// RC2's key length in bits: 40, 64 or 128 (else E_INVALIDARG), the
// effective key bits of RFC 2268 as well.
struct CMSG_RC2_AUX_INFO {
    DWORD cbSize;
    DWORD dwBitLen;
};
using PCMSG_RC2_AUX_INFO = CMSG_RC2_AUX_INFO*;

// An enveloped message: the content encrypted with a fresh key of
// ContentEncryptionAlgorithm (szOID_RSA_RC2CBC, with a CMSG_RC2_AUX_INFO in
// pvEncryptionAuxInfo, else 40 bits, or szOID_RSA_DES_EDE3_CBC; its
// parameters are made here), the key encrypted for each recipient's RSA key
// (PKCS #1 v1.5) and the recipient named by issuer and serial number.
// hCryptProv is not used. No recipient is E_INVALIDARG, a key that is not
// RSA NTE_BAD_PUBLIC_KEY.
struct CMSG_ENVELOPED_ENCODE_INFO {
    DWORD cbSize;
    HCRYPTPROV_LEGACY hCryptProv;
    CRYPT_ALGORITHM_IDENTIFIER ContentEncryptionAlgorithm;
    void* pvEncryptionAuxInfo;
    DWORD cRecipients;
    PCERT_INFO* rgpRecipients;
};
using PCMSG_ENVELOPED_ENCODE_INFO = CMSG_ENVELOPED_ENCODE_INFO*;

// dwMsgType CMSG_SIGNED takes a CMSG_SIGNED_ENCODE_INFO, CMSG_ENVELOPED a
// CMSG_ENVELOPED_ENCODE_INFO (cbSize their size, else E_INVALIDARG); other
// types CRYPT_E_INVALID_MSG_TYPE. dwFlags: CMSG_DETACHED_FLAG leaves a signed
// message's content out; other flags are ignored. pszInnerContentObjID must
// be null or szOID_RSA_data (E_INVALIDARG otherwise); streaming is not
// offered (E_INVALIDARG). A digest OID without an ALG_ID is
// CRYPT_E_UNKNOWN_ALGO, one the signer's provider lacks NTE_BAD_ALGID, an
// unknown content-encryption OID CRYPT_E_UNKNOWN_ALGO.
HCRYPTMSG CryptMsgOpenToEncode(DWORD dwMsgEncodingType, DWORD dwFlags, DWORD dwMsgType, const void* pvMsgEncodeInfo,
                               LPSTR pszInnerContentObjID, PCMSG_STREAM_INFO pStreamInfo) noexcept;

// CryptMsgUpdate on a message opened to encode takes the content, in pieces;
// the final piece signs (the provider's errors, SCARD_* for a card's PIN) or
// encrypts. CryptMsgGetParam then gives the whole ContentInfo as
// CMSG_CONTENT_PARAM, and a signed message answers the signer parameters as
// a decoded one does.

// ---- Controls -------------------------------------------------------------------

// The attribute's DER (a PKCS_ATTRIBUTE encoding) added after the signer's
// unsigned attributes.
struct CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA {
    DWORD cbSize;
    DWORD dwSignerIndex;
    CRYPT_DATA_BLOB blob;
};
using PCMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA = CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR_PARA*;

struct CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR_PARA {
    DWORD cbSize;
    DWORD dwSignerIndex;
    DWORD dwUnauthAttrIndex;
};
using PCMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR_PARA = CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR_PARA*;

// dwSignerType of CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA: pvSigner is a
// PCERT_PUBLIC_KEY_INFO or a PCCERT_CONTEXT.
inline constexpr DWORD CMSG_VERIFY_SIGNER_PUBKEY = 1;
inline constexpr DWORD CMSG_VERIFY_SIGNER_CERT = 2;

// hCryptProv verifies a signature over the content's hash alone (a signer
// without signed attributes); 0: the message's provider, else the default
// RSA and AES provider.
struct CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA {
    DWORD cbSize;
    HCRYPTPROV_LEGACY hCryptProv;
    DWORD dwSignerIndex;
    DWORD dwSignerType;
    void* pvSigner;
};
using PCMSG_CTRL_VERIFY_SIGNATURE_EX_PARA = CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA*;

// On a decoded signed message (CRYPT_E_INVALID_MSG_TYPE for another type):
// - CMSG_CTRL_VERIFY_SIGNATURE: pvCtrlPara is the CERT_INFO of the signer's
//   certificate; the signer with its issuer and serial number is verified
//   with its public key (CRYPT_E_SIGNER_NOT_FOUND when none has them).
// - CMSG_CTRL_VERIFY_SIGNATURE_EX: signer dwSignerIndex (CRYPT_E_INVALID_INDEX
//   beyond the signers) with the key pvSigner names.
//   Both: with signed attributes, a messageDigest that is missing gives
//   CRYPT_E_AUTH_ATTR_MISSING and one unlike the content's hash
//   CRYPT_E_HASH_VALUE; a signature that does not verify NTE_BAD_SIGNATURE;
//   a signature algorithm other than RSA NTE_BAD_ALGID; a detached message
//   whose content is not complete CRYPT_E_STREAM_MSG_NOT_READY.
// - CMSG_CTRL_ADD_SIGNER_UNAUTH_ATTR / CMSG_CTRL_DEL_SIGNER_UNAUTH_ATTR: the
//   message is encoded again with that signer's unsigned attributes changed;
//   every other byte, the signed attributes and the signature among them,
//   stays as it was, so the signatures still verify. An index beyond the
//   signers or the attributes is CRYPT_E_INVALID_INDEX; a blob that is not
//   one DER element CRYPT_E_BAD_ENCODE, an element that is not an Attribute
//   CRYPT_E_ASN1_*.
// Other controls are CRYPT_E_CONTROL_TYPE; dwFlags is not used.
BOOL CryptMsgControl(HCRYPTMSG hCryptMsg, DWORD dwFlags, DWORD dwCtrlType, const void* pvCtrlPara) noexcept;

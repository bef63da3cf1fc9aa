// OID information: the built-in table of algorithms, name attributes,
// extensions, enhanced key usages and policies with the names CryptoAPI
// gives them, looked up by OID, name, ALG_ID or signature pair, and records
// registered by the process.
#pragma once

#include "win32/crypt_types.h"

// Groups.
inline constexpr DWORD CRYPT_HASH_ALG_OID_GROUP_ID = 1;
inline constexpr DWORD CRYPT_ENCRYPT_ALG_OID_GROUP_ID = 2;
inline constexpr DWORD CRYPT_PUBKEY_ALG_OID_GROUP_ID = 3;
inline constexpr DWORD CRYPT_SIGN_ALG_OID_GROUP_ID = 4;
inline constexpr DWORD CRYPT_RDN_ATTR_OID_GROUP_ID = 5;
inline constexpr DWORD CRYPT_EXT_OR_ATTR_OID_GROUP_ID = 6;
inline constexpr DWORD CRYPT_ENHKEY_USAGE_OID_GROUP_ID = 7;
inline constexpr DWORD CRYPT_POLICY_OID_GROUP_ID = 8;
inline constexpr DWORD CRYPT_LAST_OID_GROUP_ID = 8;

// Key kinds of CryptFindOIDInfo: pvKey is an LPCSTR OID, an LPCWSTR name
// (compared without case), an ALG_ID*, or ALG_ID[2] {hash, public key}.
inline constexpr DWORD CRYPT_OID_INFO_OID_KEY = 1;
inline constexpr DWORD CRYPT_OID_INFO_NAME_KEY = 2;
inline constexpr DWORD CRYPT_OID_INFO_ALGID_KEY = 3;
inline constexpr DWORD CRYPT_OID_INFO_SIGN_KEY = 4;

// Extra information of signature rows: DWORD {public key ALG_ID, flags,
// provider type}; of name-attribute rows: the acceptable CERT_RDN_* value
// types in order of preference, ended by 0.
inline constexpr DWORD CRYPT_OID_INHIBIT_SIGNATURE_FORMAT_FLAG = 0x1;
inline constexpr DWORD CRYPT_OID_USE_PUBKEY_PARA_FOR_PKCS7_FLAG = 0x2;
inline constexpr DWORD CRYPT_OID_NO_NULL_ALGORITHM_PARA_FLAG = 0x4;

struct CRYPT_OID_INFO {
    DWORD cbSize;
    LPCSTR pszOID;
    LPCWSTR pwszName;
    DWORD dwGroupId;
    union {
        DWORD dwValue;
        ALG_ID Algid;
        DWORD dwLength;
    };
    CRYPT_DATA_BLOB ExtraInfo;
};
using PCRYPT_OID_INFO = CRYPT_OID_INFO*;
using PCCRYPT_OID_INFO = const CRYPT_OID_INFO*;

// Registered records are found before the built-in ones with this flag, after
// them without it.
inline constexpr DWORD CRYPT_INSTALL_OID_INFO_BEFORE_FLAG = 1;

// dwGroupId 0 searches every group. Null when nothing matches.
PCCRYPT_OID_INFO CryptFindOIDInfo(DWORD dwKeyType, void* pvKey, DWORD dwGroupId) noexcept;
// Copies the record (and what it points to) for the life of the process.
// ERROR_INVALID_PARAMETER for a record without OID or with a wrong cbSize.
BOOL CryptRegisterOIDInfo(PCCRYPT_OID_INFO pInfo, DWORD dwFlags) noexcept;

// 0 for an OID CryptoAPI does not know.
DWORD CertOIDToAlgId(LPCSTR pszObjId) noexcept;
// Null for an ALG_ID without an OID.
LPCSTR CertAlgIdToOID(DWORD dwAlgId) noexcept;

// Name attributes and other OIDs the layer names.
#define szOID_INITIALS "2.5.4.43"
#define szOID_DESCRIPTION "2.5.4.13"
#define szOID_POSTAL_CODE "2.5.4.17"
#define szOID_POST_OFFICE_BOX "2.5.4.18"
#define szOID_TELEPHONE_NUMBER "2.5.4.20"
#define szOID_DOMAIN_COMPONENT "0.9.2342.19200300.100.1.25"
#define szOID_RSA_MD2 "1.2.840.113549.2.2"
#define szOID_RSA_MD4 "1.2.840.113549.2.4"
#define szOID_RSA_MD2RSA "1.2.840.113549.1.1.2"
#define szOID_RSA_MD4RSA "1.2.840.113549.1.1.3"
#define szOID_OIWSEC_md5RSA "1.3.14.3.2.3"
#define szOID_OIWSEC_desCBC "1.3.14.3.2.7"
#define szOID_RSA_RC4 "1.2.840.113549.3.4"
#define szOID_NIST_AES128_CBC "2.16.840.1.101.3.4.1.2"
#define szOID_NIST_AES192_CBC "2.16.840.1.101.3.4.1.22"
#define szOID_NIST_AES256_CBC "2.16.840.1.101.3.4.1.42"
#define szOID_X957_DSA "1.2.840.10040.4.1"
#define szOID_X957_SHA1DSA "1.2.840.10040.4.3"
#define szOID_ECC_PUBLIC_KEY "1.2.840.10045.2.1"
#define szOID_ECDSA_SHA1 "1.2.840.10045.4.1"
#define szOID_ECDSA_SPECIFIED "1.2.840.10045.4.3"
#define szOID_ECDSA_SHA256 "1.2.840.10045.4.3.2"
#define szOID_ECDSA_SHA384 "1.2.840.10045.4.3.3"
#define szOID_ECDSA_SHA512 "1.2.840.10045.4.3.4"
#define szOID_RSA_SSA_PSS "1.2.840.113549.1.1.10"
#define szOID_PKIX_KP_SERVER_AUTH "1.3.6.1.5.5.7.3.1"
#define szOID_PKIX_KP_CODE_SIGNING "1.3.6.1.5.5.7.3.3"
#define szOID_PKIX_KP_OCSP_SIGNING "1.3.6.1.5.5.7.3.9"
#define szOID_KP_SMARTCARD_LOGON "1.3.6.1.4.1.311.20.2.2"
#define szOID_KP_DOCUMENT_SIGNING "1.3.6.1.4.1.311.10.3.12"
#define szOID_KP_EFS "1.3.6.1.4.1.311.10.3.4"
#define szOID_ANY_ENHANCED_KEY_USAGE "2.5.29.37.0"
#define szOID_NETSCAPE_COMMENT "2.16.840.1.113730.1.13"

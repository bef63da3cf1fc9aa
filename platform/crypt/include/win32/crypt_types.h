// The core CryptoAPI records shared by every part of the crypt area: handle
// types, encoding types, blobs, algorithm identifiers, certificate and CRL
// records and contexts, and the algorithm and provider constants. Records
// keep the Windows field order; pointer fields are pointer-sized.
#pragma once

#include "win32/types.h"

using HCRYPTPROV = ULONG_PTR;
using HCRYPTKEY = ULONG_PTR;
using HCRYPTHASH = ULONG_PTR;
using HCRYPTPROV_LEGACY = ULONG_PTR;
using HCRYPTPROV_OR_NCRYPT_KEY_HANDLE = ULONG_PTR;
using HCERTSTORE = void*;
using HCRYPTMSG = void*;
using HCERTCHAINENGINE = void*;

// Encoding types.
inline constexpr DWORD CRYPT_ASN_ENCODING = 0x00000001;
inline constexpr DWORD X509_ASN_ENCODING = 0x00000001;
inline constexpr DWORD PKCS_7_ASN_ENCODING = 0x00010000;
inline constexpr DWORD CERT_ENCODING_TYPE_MASK = 0x0000FFFF;
inline constexpr DWORD CMSG_ENCODING_TYPE_MASK = 0xFFFF0000;

struct CRYPTOAPI_BLOB {
    DWORD cbData;
    BYTE* pbData;
};
using CRYPT_INTEGER_BLOB = CRYPTOAPI_BLOB;
using CRYPT_UINT_BLOB = CRYPTOAPI_BLOB;
using CRYPT_OBJID_BLOB = CRYPTOAPI_BLOB;
using CERT_NAME_BLOB = CRYPTOAPI_BLOB;
using CERT_RDN_VALUE_BLOB = CRYPTOAPI_BLOB;
using CERT_BLOB = CRYPTOAPI_BLOB;
using CRL_BLOB = CRYPTOAPI_BLOB;
using DATA_BLOB = CRYPTOAPI_BLOB;
using CRYPT_DATA_BLOB = CRYPTOAPI_BLOB;
using CRYPT_HASH_BLOB = CRYPTOAPI_BLOB;
using CRYPT_DIGEST_BLOB = CRYPTOAPI_BLOB;
using CRYPT_DER_BLOB = CRYPTOAPI_BLOB;
using CRYPT_ATTR_BLOB = CRYPTOAPI_BLOB;
using PCRYPT_DATA_BLOB = CRYPTOAPI_BLOB*;
using PCRYPT_INTEGER_BLOB = CRYPTOAPI_BLOB*;
using PCERT_NAME_BLOB = CRYPTOAPI_BLOB*;
using PCRYPT_HASH_BLOB = CRYPTOAPI_BLOB*;
using PCRYPT_ATTR_BLOB = CRYPTOAPI_BLOB*;
using PCRYPT_OBJID_BLOB = CRYPTOAPI_BLOB*;

struct CRYPT_BIT_BLOB {
    DWORD cbData;
    BYTE* pbData;
    DWORD cUnusedBits;
};
using PCRYPT_BIT_BLOB = CRYPT_BIT_BLOB*;

struct CRYPT_ALGORITHM_IDENTIFIER {
    LPSTR pszObjId;
    CRYPT_OBJID_BLOB Parameters;
};
using PCRYPT_ALGORITHM_IDENTIFIER = CRYPT_ALGORITHM_IDENTIFIER*;

struct CERT_PUBLIC_KEY_INFO {
    CRYPT_ALGORITHM_IDENTIFIER Algorithm;
    CRYPT_BIT_BLOB PublicKey;
};
using PCERT_PUBLIC_KEY_INFO = CERT_PUBLIC_KEY_INFO*;
using PCCERT_PUBLIC_KEY_INFO = const CERT_PUBLIC_KEY_INFO*;

struct CERT_EXTENSION {
    LPSTR pszObjId;
    BOOL fCritical;
    CRYPT_OBJID_BLOB Value;
};
using PCERT_EXTENSION = CERT_EXTENSION*;
using PCCERT_EXTENSION = const CERT_EXTENSION*;

struct CERT_EXTENSIONS {
    DWORD cExtension;
    PCERT_EXTENSION rgExtension;
};
using PCERT_EXTENSIONS = CERT_EXTENSIONS*;

struct CRYPT_ATTRIBUTE {
    LPSTR pszObjId;
    DWORD cValue;
    PCRYPT_ATTR_BLOB rgValue;
};
using PCRYPT_ATTRIBUTE = CRYPT_ATTRIBUTE*;

struct CRYPT_ATTRIBUTES {
    DWORD cAttr;
    PCRYPT_ATTRIBUTE rgAttr;
};
using PCRYPT_ATTRIBUTES = CRYPT_ATTRIBUTES*;

inline constexpr DWORD CERT_V1 = 0;
inline constexpr DWORD CERT_V2 = 1;
inline constexpr DWORD CERT_V3 = 2;

// Serial numbers and other integers in these records are little-endian,
// as CryptoAPI keeps them.
struct CERT_INFO {
    DWORD dwVersion;
    CRYPT_INTEGER_BLOB SerialNumber;
    CRYPT_ALGORITHM_IDENTIFIER SignatureAlgorithm;
    CERT_NAME_BLOB Issuer;
    FILETIME NotBefore;
    FILETIME NotAfter;
    CERT_NAME_BLOB Subject;
    CERT_PUBLIC_KEY_INFO SubjectPublicKeyInfo;
    CRYPT_BIT_BLOB IssuerUniqueId;
    CRYPT_BIT_BLOB SubjectUniqueId;
    DWORD cExtension;
    PCERT_EXTENSION rgExtension;
};
using PCERT_INFO = CERT_INFO*;

struct CERT_CONTEXT {
    DWORD dwCertEncodingType;
    BYTE* pbCertEncoded;
    DWORD cbCertEncoded;
    PCERT_INFO pCertInfo;
    HCERTSTORE hCertStore;
};
using PCERT_CONTEXT = CERT_CONTEXT*;
using PCCERT_CONTEXT = const CERT_CONTEXT*;

struct CRL_ENTRY {
    CRYPT_INTEGER_BLOB SerialNumber;
    FILETIME RevocationDate;
    DWORD cExtension;
    PCERT_EXTENSION rgExtension;
};
using PCRL_ENTRY = CRL_ENTRY*;

inline constexpr DWORD CRL_V1 = 0;
inline constexpr DWORD CRL_V2 = 1;

struct CRL_INFO {
    DWORD dwVersion;
    CRYPT_ALGORITHM_IDENTIFIER SignatureAlgorithm;
    CERT_NAME_BLOB Issuer;
    FILETIME ThisUpdate;
    FILETIME NextUpdate;  // zero when absent
    DWORD cCRLEntry;
    PCRL_ENTRY rgCRLEntry;
    DWORD cExtension;
    PCERT_EXTENSION rgExtension;
};
using PCRL_INFO = CRL_INFO*;

struct CRL_CONTEXT {
    DWORD dwCertEncodingType;
    BYTE* pbCrlEncoded;
    DWORD cbCrlEncoded;
    PCRL_INFO pCrlInfo;
    HCERTSTORE hCertStore;
};
using PCRL_CONTEXT = CRL_CONTEXT*;
using PCCRL_CONTEXT = const CRL_CONTEXT*;

// Algorithm identifiers: class | type | sub-id.
inline constexpr ALG_ID ALG_CLASS_SIGNATURE = 1 << 13;
inline constexpr ALG_ID ALG_CLASS_DATA_ENCRYPT = 3 << 13;
inline constexpr ALG_ID ALG_CLASS_HASH = 4 << 13;
inline constexpr ALG_ID ALG_CLASS_KEY_EXCHANGE = 5 << 13;
constexpr ALG_ID GET_ALG_CLASS(ALG_ID x) { return x & (7 << 13); }

inline constexpr ALG_ID CALG_MD2 = 0x8001;
inline constexpr ALG_ID CALG_MD4 = 0x8002;
inline constexpr ALG_ID CALG_MD5 = 0x8003;
inline constexpr ALG_ID CALG_SHA1 = 0x8004;
inline constexpr ALG_ID CALG_SHA = CALG_SHA1;
inline constexpr ALG_ID CALG_MAC = 0x8005;
inline constexpr ALG_ID CALG_SSL3_SHAMD5 = 0x8008;
inline constexpr ALG_ID CALG_HMAC = 0x8009;
inline constexpr ALG_ID CALG_SHA_256 = 0x800C;
inline constexpr ALG_ID CALG_SHA_384 = 0x800D;
inline constexpr ALG_ID CALG_SHA_512 = 0x800E;
inline constexpr ALG_ID CALG_NO_SIGN = 0x2000;
inline constexpr ALG_ID CALG_DSS_SIGN = 0x2200;
inline constexpr ALG_ID CALG_RSA_SIGN = 0x2400;
inline constexpr ALG_ID CALG_ECDSA = 0x2203;
// An algorithm whose identity stands in its parameters (RSASSA-PSS).
inline constexpr ALG_ID CALG_OID_INFO_PARAMETERS = 0xFFFFFFFE;
inline constexpr ALG_ID CALG_RSA_KEYX = 0xA400;
inline constexpr ALG_ID CALG_DH_SF = 0xAA01;
inline constexpr ALG_ID CALG_DES = 0x6601;
inline constexpr ALG_ID CALG_RC2 = 0x6602;
inline constexpr ALG_ID CALG_3DES = 0x6603;
inline constexpr ALG_ID CALG_3DES_112 = 0x6609;
inline constexpr ALG_ID CALG_AES_128 = 0x660E;
inline constexpr ALG_ID CALG_AES_192 = 0x660F;
inline constexpr ALG_ID CALG_AES_256 = 0x6610;
inline constexpr ALG_ID CALG_AES = 0x6611;
inline constexpr ALG_ID CALG_RC4 = 0x6801;

// Provider types and the names of the built-in software providers.
inline constexpr DWORD PROV_RSA_FULL = 1;
inline constexpr DWORD PROV_RSA_SIG = 2;
inline constexpr DWORD PROV_DSS = 3;
inline constexpr DWORD PROV_RSA_SCHANNEL = 12;
inline constexpr DWORD PROV_DSS_DH = 13;
inline constexpr DWORD PROV_RSA_AES = 24;

inline constexpr char MS_DEF_PROV_A[] = "Microsoft Base Cryptographic Provider v1.0";
inline constexpr char MS_ENHANCED_PROV_A[] = "Microsoft Enhanced Cryptographic Provider v1.0";
inline constexpr char MS_STRONG_PROV_A[] = "Microsoft Strong Cryptographic Provider";
inline constexpr char MS_DEF_RSA_SIG_PROV_A[] = "Microsoft RSA Signature Cryptographic Provider";
inline constexpr char MS_DEF_RSA_SCHANNEL_PROV_A[] = "Microsoft RSA SChannel Cryptographic Provider";
inline constexpr char MS_ENH_RSA_AES_PROV_A[] = "Microsoft Enhanced RSA and AES Cryptographic Provider";
inline constexpr char MS_ENH_RSA_AES_PROV_XP_A[] = "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)";
inline constexpr char MS_SCARD_PROV_A[] = "Microsoft Base Smart Card Crypto Provider";

// Key blobs of CryptExportKey / CryptImportKey and RSA_CSP_PUBLICKEYBLOB:
// the header, then for RSA the RSAPUBKEY and the little-endian numbers.
inline constexpr BYTE PUBLICKEYBLOB = 0x6;
inline constexpr BYTE PRIVATEKEYBLOB = 0x7;
inline constexpr BYTE CUR_BLOB_VERSION = 2;

struct PUBLICKEYSTRUC {
    BYTE bType;
    BYTE bVersion;
    WORD reserved;
    ALG_ID aiKeyAlg;
};
using BLOBHEADER = PUBLICKEYSTRUC;

inline constexpr DWORD RSA1_MAGIC = 0x31415352;  // "RSA1": public key
inline constexpr DWORD RSA2_MAGIC = 0x32415352;  // "RSA2": private key

struct RSAPUBKEY {
    DWORD magic;
    DWORD bitlen;
    DWORD pubexp;
};

// Key specs.
inline constexpr DWORD AT_KEYEXCHANGE = 1;
inline constexpr DWORD AT_SIGNATURE = 2;

// Object identifiers the system names often.
#define szOID_RSA_RSA "1.2.840.113549.1.1.1"
#define szOID_RSA_MD5RSA "1.2.840.113549.1.1.4"
#define szOID_RSA_SHA1RSA "1.2.840.113549.1.1.5"
#define szOID_RSA_SHA256RSA "1.2.840.113549.1.1.11"
#define szOID_RSA_SHA384RSA "1.2.840.113549.1.1.12"
#define szOID_RSA_SHA512RSA "1.2.840.113549.1.1.13"
#define szOID_RSA_MD5 "1.2.840.113549.2.5"
#define szOID_OIWSEC_sha1 "1.3.14.3.2.26"
#define szOID_OIWSEC_sha1RSASign "1.3.14.3.2.29"
#define szOID_NIST_sha256 "2.16.840.1.101.3.4.2.1"
#define szOID_NIST_sha384 "2.16.840.1.101.3.4.2.2"
#define szOID_NIST_sha512 "2.16.840.1.101.3.4.2.3"
#define szOID_RSA_data "1.2.840.113549.1.7.1"
#define szOID_RSA_signedData "1.2.840.113549.1.7.2"
#define szOID_RSA_envelopedData "1.2.840.113549.1.7.3"
#define szOID_RSA_contentType "1.2.840.113549.1.9.3"
#define szOID_RSA_messageDigest "1.2.840.113549.1.9.4"
#define szOID_RSA_signingTime "1.2.840.113549.1.9.5"
#define szOID_RSA_counterSign "1.2.840.113549.1.9.6"
#define szOID_RSA_RC2CBC "1.2.840.113549.3.2"
#define szOID_RSA_DES_EDE3_CBC "1.2.840.113549.3.7"
#define szOID_COMMON_NAME "2.5.4.3"
#define szOID_SUR_NAME "2.5.4.4"
#define szOID_DEVICE_SERIAL_NUMBER "2.5.4.5"
#define szOID_COUNTRY_NAME "2.5.4.6"
#define szOID_LOCALITY_NAME "2.5.4.7"
#define szOID_STATE_OR_PROVINCE_NAME "2.5.4.8"
#define szOID_STREET_ADDRESS "2.5.4.9"
#define szOID_ORGANIZATION_NAME "2.5.4.10"
#define szOID_ORGANIZATIONAL_UNIT_NAME "2.5.4.11"
#define szOID_TITLE "2.5.4.12"
#define szOID_GIVEN_NAME "2.5.4.42"
#define szOID_RSA_emailAddr "1.2.840.113549.1.9.1"
#define szOID_SUBJECT_KEY_IDENTIFIER "2.5.29.14"
#define szOID_KEY_USAGE "2.5.29.15"
#define szOID_SUBJECT_ALT_NAME "2.5.29.7"
#define szOID_SUBJECT_ALT_NAME2 "2.5.29.17"
#define szOID_BASIC_CONSTRAINTS2 "2.5.29.19"
#define szOID_CRL_DIST_POINTS "2.5.29.31"
#define szOID_CERT_POLICIES "2.5.29.32"
#define szOID_AUTHORITY_KEY_IDENTIFIER2 "2.5.29.35"
#define szOID_ENHANCED_KEY_USAGE "2.5.29.37"
#define szOID_AUTHORITY_INFO_ACCESS "1.3.6.1.5.5.7.1.1"
#define szOID_QC_STATEMENTS_EXT "1.3.6.1.5.5.7.1.3"
#define szOID_PKIX_KP_CLIENT_AUTH "1.3.6.1.5.5.7.3.2"
#define szOID_PKIX_KP_EMAIL_PROTECTION "1.3.6.1.5.5.7.3.4"
#define szOID_PKIX_KP_TIMESTAMP_SIGNING "1.3.6.1.5.5.7.3.8"

// Encoding and decoding of the CryptoAPI structure types: CryptEncodeObject(Ex)
// and CryptDecodeObject(Ex), the structure types as LPCSTR constants, their
// flags and the records they read and write. Decoded records come in one
// block (the record first, then everything it points to), so one LocalFree
// releases a CRYPT_DECODE_ALLOC_FLAG result. Integers in these records are
// little-endian, as CryptoAPI keeps them.
#pragma once

#include "win32/crypt_types.h"

// Structure types: small integers carried in the pointer, as on Windows. An
// OID string ("2.5.29.17") is accepted where CryptoAPI accepts it.
#define TESK_STRUCT_TYPE(n) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(n)))
#define X509_CERT TESK_STRUCT_TYPE(1)
#define X509_CERT_TO_BE_SIGNED TESK_STRUCT_TYPE(2)
#define X509_CERT_CRL_TO_BE_SIGNED TESK_STRUCT_TYPE(3)
#define X509_CERT_REQUEST_TO_BE_SIGNED TESK_STRUCT_TYPE(4)
#define X509_EXTENSIONS TESK_STRUCT_TYPE(5)
#define X509_NAME_VALUE TESK_STRUCT_TYPE(6)
#define X509_ANY_STRING X509_NAME_VALUE
#define X509_NAME TESK_STRUCT_TYPE(7)
#define X509_PUBLIC_KEY_INFO TESK_STRUCT_TYPE(8)
#define X509_ALTERNATE_NAME TESK_STRUCT_TYPE(12)
#define X509_KEY_USAGE TESK_STRUCT_TYPE(14)
#define X509_BASIC_CONSTRAINTS2 TESK_STRUCT_TYPE(15)
#define X509_CERT_POLICIES TESK_STRUCT_TYPE(16)
#define PKCS_UTC_TIME TESK_STRUCT_TYPE(17)
#define RSA_CSP_PUBLICKEYBLOB TESK_STRUCT_TYPE(19)
#define X509_UNICODE_NAME TESK_STRUCT_TYPE(20)
#define PKCS_ATTRIBUTE TESK_STRUCT_TYPE(22)
#define X509_UNICODE_NAME_VALUE TESK_STRUCT_TYPE(24)
#define X509_UNICODE_ANY_STRING X509_UNICODE_NAME_VALUE
#define X509_OCTET_STRING TESK_STRUCT_TYPE(25)
#define X509_BITS TESK_STRUCT_TYPE(26)
#define X509_INTEGER TESK_STRUCT_TYPE(27)
#define X509_MULTI_BYTE_INTEGER TESK_STRUCT_TYPE(28)
#define X509_ENUMERATED TESK_STRUCT_TYPE(29)
#define X509_CRL_REASON_CODE X509_ENUMERATED
#define X509_CHOICE_OF_TIME TESK_STRUCT_TYPE(30)
#define X509_AUTHORITY_KEY_ID2 TESK_STRUCT_TYPE(31)
#define X509_SEQUENCE_OF_ANY TESK_STRUCT_TYPE(34)
#define X509_CRL_DIST_POINTS TESK_STRUCT_TYPE(35)
#define X509_ENHANCED_KEY_USAGE TESK_STRUCT_TYPE(36)
#define X509_MULTI_BYTE_UINT TESK_STRUCT_TYPE(38)
#define PKCS_RSA_PRIVATE_KEY TESK_STRUCT_TYPE(43)
#define X509_PKIX_POLICY_QUALIFIER_USERNOTICE TESK_STRUCT_TYPE(46)
#define PKCS_ATTRIBUTES TESK_STRUCT_TYPE(48)
#define X509_ALGORITHM_IDENTIFIER TESK_STRUCT_TYPE(74)

// OIDs that name a structure type of their own.
#define szOID_ISSUER_ALT_NAME "2.5.29.8"
#define szOID_ISSUER_ALT_NAME2 "2.5.29.18"
#define szOID_CRL_REASON_CODE "2.5.29.21"
#define szOID_CERT_EXTENSIONS "1.2.840.113549.1.9.14"
#define szOID_RSA_certExtensions "1.2.840.113549.1.9.14"
#define szOID_PKIX_POLICY_QUALIFIER_CPS "1.3.6.1.5.5.7.2.1"
#define szOID_PKIX_POLICY_QUALIFIER_USERNOTICE "1.3.6.1.5.5.7.2.2"
#define szOID_ANY_CERT_POLICY "2.5.29.32.0"

// CryptEncodeObjectEx flags.
inline constexpr DWORD CRYPT_ENCODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG = 0x00000008;
inline constexpr DWORD CRYPT_ENCODE_ALLOC_FLAG = 0x00008000;
inline constexpr DWORD CRYPT_UNICODE_NAME_ENCODE_FORCE_UTF8_UNICODE_FLAG = 0x10000000;
inline constexpr DWORD CRYPT_UNICODE_NAME_ENCODE_ENABLE_UTF8_UNICODE_FLAG = 0x20000000;
inline constexpr DWORD CRYPT_UNICODE_NAME_ENCODE_DISABLE_CHECK_TYPE_FLAG = 0x40000000;
inline constexpr DWORD CRYPT_UNICODE_NAME_ENCODE_ENABLE_T61_UNICODE_FLAG = 0x80000000;

// CryptDecodeObjectEx flags.
inline constexpr DWORD CRYPT_DECODE_NOCOPY_FLAG = 0x00000001;
inline constexpr DWORD CRYPT_DECODE_TO_BE_SIGNED_FLAG = 0x00000002;
inline constexpr DWORD CRYPT_DECODE_SHARE_OID_STRING_FLAG = 0x00000004;
inline constexpr DWORD CRYPT_DECODE_NO_SIGNATURE_BYTE_REVERSAL_FLAG = 0x00000008;
inline constexpr DWORD CRYPT_DECODE_ALLOC_FLAG = 0x00008000;
inline constexpr DWORD CRYPT_UNICODE_NAME_DECODE_DISABLE_IE4_UTF8_FLAG = 0x01000000;

using PFN_CRYPT_ALLOC = LPVOID (*)(SIZE_T cbSize);
using PFN_CRYPT_FREE = void (*)(LPVOID pv);

struct CRYPT_ENCODE_PARA {
    DWORD cbSize;
    PFN_CRYPT_ALLOC pfnAlloc;  // null: LocalAlloc
    PFN_CRYPT_FREE pfnFree;
};
using PCRYPT_ENCODE_PARA = CRYPT_ENCODE_PARA*;
using CRYPT_DECODE_PARA = CRYPT_ENCODE_PARA;
using PCRYPT_DECODE_PARA = CRYPT_DECODE_PARA*;

// RDN value types (CERT_RDN_ATTR, CERT_NAME_VALUE). The 8-bit types hold
// bytes; BMP and UTF-8 values are UTF-16 in memory, universal strings 32-bit
// code points.
inline constexpr DWORD CERT_RDN_ANY_TYPE = 0;
inline constexpr DWORD CERT_RDN_ENCODED_BLOB = 1;
inline constexpr DWORD CERT_RDN_OCTET_STRING = 2;
inline constexpr DWORD CERT_RDN_NUMERIC_STRING = 3;
inline constexpr DWORD CERT_RDN_PRINTABLE_STRING = 4;
inline constexpr DWORD CERT_RDN_TELETEX_STRING = 5;
inline constexpr DWORD CERT_RDN_T61_STRING = 5;
inline constexpr DWORD CERT_RDN_VIDEOTEX_STRING = 6;
inline constexpr DWORD CERT_RDN_IA5_STRING = 7;
inline constexpr DWORD CERT_RDN_GRAPHIC_STRING = 8;
inline constexpr DWORD CERT_RDN_VISIBLE_STRING = 9;
inline constexpr DWORD CERT_RDN_ISO646_STRING = 9;
inline constexpr DWORD CERT_RDN_GENERAL_STRING = 10;
inline constexpr DWORD CERT_RDN_UNIVERSAL_STRING = 11;
inline constexpr DWORD CERT_RDN_INT4_STRING = 11;
inline constexpr DWORD CERT_RDN_BMP_STRING = 12;
inline constexpr DWORD CERT_RDN_UNICODE_STRING = 12;
inline constexpr DWORD CERT_RDN_UTF8_STRING = 13;
inline constexpr DWORD CERT_RDN_TYPE_MASK = 0x000000FF;
inline constexpr DWORD CERT_RDN_FLAGS_MASK = 0xFF000000;
inline constexpr DWORD CERT_RDN_ENABLE_T61_UNICODE_FLAG = 0x80000000;
inline constexpr DWORD CERT_RDN_DISABLE_CHECK_TYPE_FLAG = 0x40000000;
inline constexpr DWORD CERT_RDN_ENABLE_UTF8_UNICODE_FLAG = 0x20000000;
inline constexpr DWORD CERT_RDN_FORCE_UTF8_UNICODE_FLAG = 0x10000000;
inline constexpr DWORD CERT_RDN_DISABLE_IE4_UTF8_FLAG = 0x01000000;

constexpr bool IS_CERT_RDN_CHAR_STRING(DWORD type) { return (type & CERT_RDN_TYPE_MASK) >= CERT_RDN_NUMERIC_STRING; }

struct CERT_RDN_ATTR {
    LPSTR pszObjId;
    DWORD dwValueType;
    CERT_RDN_VALUE_BLOB Value;
};
using PCERT_RDN_ATTR = CERT_RDN_ATTR*;

struct CERT_RDN {
    DWORD cRDNAttr;
    PCERT_RDN_ATTR rgRDNAttr;
};
using PCERT_RDN = CERT_RDN*;

struct CERT_NAME_INFO {
    DWORD cRDN;
    PCERT_RDN rgRDN;
};
using PCERT_NAME_INFO = CERT_NAME_INFO*;

struct CERT_NAME_VALUE {
    DWORD dwValueType;
    CERT_RDN_VALUE_BLOB Value;
};
using PCERT_NAME_VALUE = CERT_NAME_VALUE*;

// Where an encoder refused a character, *pcbEncoded holds its position.
// Names (X509_UNICODE_NAME): RDN << 22 | attribute << 16 | character.
constexpr DWORD GET_CERT_UNICODE_RDN_ERR_INDEX(DWORD x) { return (x >> 22) & 0x3FF; }
constexpr DWORD GET_CERT_UNICODE_ATTR_ERR_INDEX(DWORD x) { return (x >> 16) & 0x3F; }
constexpr DWORD GET_CERT_UNICODE_VALUE_ERR_INDEX(DWORD x) { return x & 0xFFFF; }
// Alternative names: entry << 16 | character; in CRL distribution points also
// point << 24, and bit 31 for the CRL issuer rather than the full name.
constexpr DWORD GET_CERT_ALT_NAME_ENTRY_ERR_INDEX(DWORD x) { return (x >> 16) & 0xFF; }
constexpr DWORD GET_CERT_ALT_NAME_VALUE_ERR_INDEX(DWORD x) { return x & 0xFFFF; }
constexpr DWORD GET_CRL_DIST_POINT_ERR_INDEX(DWORD x) { return (x >> 24) & 0x7F; }
constexpr bool IS_CRL_DIST_POINT_ERR_CRL_ISSUER(DWORD x) { return (x & 0x80000000u) != 0; }

// X509_CERT: the to-be-signed bytes, the algorithm and the signature. The
// signature is kept byte-reversed (little-endian) unless the
// NO_SIGNATURE_BYTE_REVERSAL flag is given, as CryptoAPI does.
struct CERT_SIGNED_CONTENT_INFO {
    CRYPT_DER_BLOB ToBeSigned;
    CRYPT_ALGORITHM_IDENTIFIER SignatureAlgorithm;
    CRYPT_BIT_BLOB Signature;
};
using PCERT_SIGNED_CONTENT_INFO = CERT_SIGNED_CONTENT_INFO*;

inline constexpr DWORD CERT_REQUEST_V1 = 0;

struct CERT_REQUEST_INFO {
    DWORD dwVersion;
    CERT_NAME_BLOB Subject;
    CERT_PUBLIC_KEY_INFO SubjectPublicKeyInfo;
    DWORD cAttribute;
    PCRYPT_ATTRIBUTE rgAttribute;
};
using PCERT_REQUEST_INFO = CERT_REQUEST_INFO*;

// Alternative names (GeneralName).
inline constexpr DWORD CERT_ALT_NAME_OTHER_NAME = 1;
inline constexpr DWORD CERT_ALT_NAME_RFC822_NAME = 2;
inline constexpr DWORD CERT_ALT_NAME_DNS_NAME = 3;
inline constexpr DWORD CERT_ALT_NAME_X400_ADDRESS = 4;  // not supported, as on Windows
inline constexpr DWORD CERT_ALT_NAME_DIRECTORY_NAME = 5;
inline constexpr DWORD CERT_ALT_NAME_EDI_PARTY_NAME = 6;  // not supported, as on Windows
inline constexpr DWORD CERT_ALT_NAME_URL = 7;
inline constexpr DWORD CERT_ALT_NAME_IP_ADDRESS = 8;
inline constexpr DWORD CERT_ALT_NAME_REGISTERED_ID = 9;

struct CERT_OTHER_NAME {
    LPSTR pszObjId;
    CRYPT_OBJID_BLOB Value;  // the encoded value inside the [0] EXPLICIT tag
};
using PCERT_OTHER_NAME = CERT_OTHER_NAME*;

struct CERT_ALT_NAME_ENTRY {
    DWORD dwAltNameChoice;
    union {
        PCERT_OTHER_NAME pOtherName;
        LPWSTR pwszRfc822Name;
        LPWSTR pwszDNSName;
        CERT_NAME_BLOB DirectoryName;
        LPWSTR pwszURL;
        CRYPT_DATA_BLOB IPAddress;
        LPSTR pszRegisteredID;
    };
};
using PCERT_ALT_NAME_ENTRY = CERT_ALT_NAME_ENTRY*;

struct CERT_ALT_NAME_INFO {
    DWORD cAltEntry;
    PCERT_ALT_NAME_ENTRY rgAltEntry;
};
using PCERT_ALT_NAME_INFO = CERT_ALT_NAME_INFO*;

// X509_KEY_USAGE bits (first byte, then the second).
inline constexpr BYTE CERT_DIGITAL_SIGNATURE_KEY_USAGE = 0x80;
inline constexpr BYTE CERT_NON_REPUDIATION_KEY_USAGE = 0x40;
inline constexpr BYTE CERT_KEY_ENCIPHERMENT_KEY_USAGE = 0x20;
inline constexpr BYTE CERT_DATA_ENCIPHERMENT_KEY_USAGE = 0x10;
inline constexpr BYTE CERT_KEY_AGREEMENT_KEY_USAGE = 0x08;
inline constexpr BYTE CERT_KEY_CERT_SIGN_KEY_USAGE = 0x04;
inline constexpr BYTE CERT_OFFLINE_CRL_SIGN_KEY_USAGE = 0x02;
inline constexpr BYTE CERT_CRL_SIGN_KEY_USAGE = 0x02;
inline constexpr BYTE CERT_ENCIPHER_ONLY_KEY_USAGE = 0x01;
inline constexpr BYTE CERT_DECIPHER_ONLY_KEY_USAGE = 0x80;

struct CERT_BASIC_CONSTRAINTS2_INFO {
    BOOL fCA;
    BOOL fPathLenConstraint;
    DWORD dwPathLenConstraint;
};
using PCERT_BASIC_CONSTRAINTS2_INFO = CERT_BASIC_CONSTRAINTS2_INFO*;

struct CTL_USAGE {
    DWORD cUsageIdentifier;
    LPSTR* rgpszUsageIdentifier;
};
using CERT_ENHKEY_USAGE = CTL_USAGE;
using PCERT_ENHKEY_USAGE = CTL_USAGE*;
using PCTL_USAGE = CTL_USAGE*;

struct CERT_POLICY_QUALIFIER_INFO {
    LPSTR pszPolicyQualifierId;
    CRYPT_OBJID_BLOB Qualifier;  // the encoded qualifier, kept as it stands
};
using PCERT_POLICY_QUALIFIER_INFO = CERT_POLICY_QUALIFIER_INFO*;

struct CERT_POLICY_INFO {
    LPSTR pszPolicyIdentifier;
    DWORD cPolicyQualifier;
    CERT_POLICY_QUALIFIER_INFO* rgPolicyQualifier;
};
using PCERT_POLICY_INFO = CERT_POLICY_INFO*;

struct CERT_POLICIES_INFO {
    DWORD cPolicyInfo;
    CERT_POLICY_INFO* rgPolicyInfo;
};
using PCERT_POLICIES_INFO = CERT_POLICIES_INFO*;

struct CERT_POLICY_QUALIFIER_NOTICE_REFERENCE {
    LPSTR pszOrganization;
    DWORD cNoticeNumbers;
    int* rgNoticeNumbers;
};
using PCERT_POLICY_QUALIFIER_NOTICE_REFERENCE = CERT_POLICY_QUALIFIER_NOTICE_REFERENCE*;

struct CERT_POLICY_QUALIFIER_USER_NOTICE {
    CERT_POLICY_QUALIFIER_NOTICE_REFERENCE* pNoticeReference;  // null when absent
    LPWSTR pszDisplayText;                                    // null when absent
};
using PCERT_POLICY_QUALIFIER_USER_NOTICE = CERT_POLICY_QUALIFIER_USER_NOTICE*;

// CRL distribution points.
inline constexpr DWORD CRL_DIST_POINT_NO_NAME = 0;
inline constexpr DWORD CRL_DIST_POINT_FULL_NAME = 1;
inline constexpr DWORD CRL_DIST_POINT_ISSUER_RDN_NAME = 2;  // not supported, as on Windows

struct CRL_DIST_POINT_NAME {
    DWORD dwDistPointNameChoice;
    union {
        CERT_ALT_NAME_INFO FullName;
    };
};
using PCRL_DIST_POINT_NAME = CRL_DIST_POINT_NAME*;

struct CRL_DIST_POINT {
    CRL_DIST_POINT_NAME DistPointName;
    CRYPT_BIT_BLOB ReasonFlags;
    CERT_ALT_NAME_INFO CRLIssuer;
};
using PCRL_DIST_POINT = CRL_DIST_POINT*;

struct CRL_DIST_POINTS_INFO {
    DWORD cDistPoint;
    PCRL_DIST_POINT rgDistPoint;
};
using PCRL_DIST_POINTS_INFO = CRL_DIST_POINTS_INFO*;

struct CERT_AUTHORITY_KEY_ID2_INFO {
    CRYPT_DATA_BLOB KeyId;
    CERT_ALT_NAME_INFO AuthorityCertIssuer;
    CRYPT_INTEGER_BLOB AuthorityCertSerialNumber;
};
using PCERT_AUTHORITY_KEY_ID2_INFO = CERT_AUTHORITY_KEY_ID2_INFO*;

// X509_SEQUENCE_OF_ANY: each element is a complete encoded value.
using PCRYPT_DER_BLOB = CRYPT_DER_BLOB*;
struct CRYPT_SEQUENCE_OF_ANY {
    DWORD cValue;
    PCRYPT_DER_BLOB rgValue;
};
using PCRYPT_SEQUENCE_OF_ANY = CRYPT_SEQUENCE_OF_ANY*;

// Errors: CRYPT_E_ASN1_EOD (input ends early), CRYPT_E_ASN1_BADTAG,
// CRYPT_E_ASN1_CORRUPT, CRYPT_E_ASN1_LARGE (a number that does not fit),
// CRYPT_E_INVALID_*_STRING with the position in the size, CRYPT_E_BAD_ENCODE,
// ERROR_FILE_NOT_FOUND for an unknown structure type or encoding type,
// ERROR_MORE_DATA with the needed size for a short buffer.
BOOL CryptEncodeObject(DWORD dwCertEncodingType, LPCSTR lpszStructType, const void* pvStructInfo, BYTE* pbEncoded,
                       DWORD* pcbEncoded) noexcept;
// With CRYPT_ENCODE_ALLOC_FLAG, pvEncoded is a BYTE** that receives a block
// from pEncodePara->pfnAlloc, or from LocalAlloc.
BOOL CryptEncodeObjectEx(DWORD dwCertEncodingType, LPCSTR lpszStructType, const void* pvStructInfo, DWORD dwFlags,
                         PCRYPT_ENCODE_PARA pEncodePara, void* pvEncoded, DWORD* pcbEncoded) noexcept;
BOOL CryptDecodeObject(DWORD dwCertEncodingType, LPCSTR lpszStructType, const BYTE* pbEncoded, DWORD cbEncoded,
                       DWORD dwFlags, void* pvStructInfo, DWORD* pcbStructInfo) noexcept;
// With CRYPT_DECODE_NOCOPY_FLAG, byte values that need no conversion point
// into pbEncoded, which must outlive the result. With CRYPT_DECODE_ALLOC_FLAG,
// pvStructInfo is a void** that receives the block.
BOOL CryptDecodeObjectEx(DWORD dwCertEncodingType, LPCSTR lpszStructType, const BYTE* pbEncoded, DWORD cbEncoded,
                         DWORD dwFlags, PCRYPT_DECODE_PARA pDecodePara, void* pvStructInfo,
                         DWORD* pcbStructInfo) noexcept;

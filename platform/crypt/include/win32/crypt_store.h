// Certificate and CRL contexts, their properties, and certificate stores:
// memory stores, the system stores of the user and of the machine (kept in
// the registry, written through at once so other processes see changes),
// stores filled from a PKCS #7 message, and collections of stores. Also the
// certificate helpers that read a certificate's names, keys and extensions.
//
// Contexts are reference-counted records the caller reads through; every
// context keeps its store alive until it is freed. Store handles are table
// entries: a stale or forged one fails with ERROR_INVALID_HANDLE. Functions
// fail with the last error set; success leaves it alone unless noted.
#pragma once

#include "win32/crypt_encode.h"

// ---- Contexts ---------------------------------------------------------------

// Null for damaged DER (CRYPT_E_ASN1_*), a copy of the bytes otherwise. The
// context belongs to a store of its own until it is added elsewhere.
PCCERT_CONTEXT CertCreateCertificateContext(DWORD dwCertEncodingType, const BYTE* pbCertEncoded,
                                            DWORD cbCertEncoded) noexcept;
// The same pointer with one more reference; null stays null.
PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT pCertContext) noexcept;
// Drops one reference; null is fine. Always TRUE, as on Windows.
BOOL CertFreeCertificateContext(PCCERT_CONTEXT pCertContext) noexcept;

// ---- Properties ---------------------------------------------------------------

inline constexpr DWORD CERT_KEY_PROV_HANDLE_PROP_ID = 1;
inline constexpr DWORD CERT_KEY_PROV_INFO_PROP_ID = 2;  // CRYPT_KEY_PROV_INFO
inline constexpr DWORD CERT_SHA1_HASH_PROP_ID = 3;      // computed when not set
inline constexpr DWORD CERT_MD5_HASH_PROP_ID = 4;       // computed when not set
inline constexpr DWORD CERT_HASH_PROP_ID = CERT_SHA1_HASH_PROP_ID;
inline constexpr DWORD CERT_KEY_CONTEXT_PROP_ID = 5;
inline constexpr DWORD CERT_KEY_SPEC_PROP_ID = 6;
inline constexpr DWORD CERT_ENHKEY_USAGE_PROP_ID = 9;   // encoded X509_ENHANCED_KEY_USAGE
inline constexpr DWORD CERT_CTL_USAGE_PROP_ID = CERT_ENHKEY_USAGE_PROP_ID;
inline constexpr DWORD CERT_FRIENDLY_NAME_PROP_ID = 11;  // UTF-16 text with its NUL
inline constexpr DWORD CERT_DESCRIPTION_PROP_ID = 13;
inline constexpr DWORD CERT_ARCHIVED_PROP_ID = 19;       // present or not; hides the certificate
inline constexpr DWORD CERT_KEY_IDENTIFIER_PROP_ID = 20; // subject key identifier, else SHA-1 of the key info
inline constexpr DWORD CERT_FIRST_USER_PROP_ID = 0x8000;
inline constexpr DWORD CERT_LAST_USER_PROP_ID = 0xFFFF;

struct CRYPT_KEY_PROV_PARAM {
    DWORD dwParam;
    BYTE* pbData;
    DWORD cbData;
    DWORD dwFlags;
};
using PCRYPT_KEY_PROV_PARAM = CRYPT_KEY_PROV_PARAM*;

// Read back in one block: the record, then the texts and parameters.
struct CRYPT_KEY_PROV_INFO {
    LPWSTR pwszContainerName;
    LPWSTR pwszProvName;
    DWORD dwProvType;
    DWORD dwFlags;  // CRYPT_MACHINE_KEYSET, CRYPT_SILENT ...
    DWORD cProvParam;
    PCRYPT_KEY_PROV_PARAM rgProvParam;
    DWORD dwKeySpec;
};
using PCRYPT_KEY_PROV_INFO = CRYPT_KEY_PROV_INFO*;

// CertSetCertificateContextProperty flags. With INHIBIT_PERSIST the value
// lives in this process's copy only and never reaches the registry, so a
// store opened read-only may be labelled too.
inline constexpr DWORD CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG = 0x40000000;
inline constexpr DWORD CERT_SET_PROPERTY_IGNORE_PERSIST_ERROR_FLAG = 0x80000000;

// pvData is a CRYPT_KEY_PROV_INFO* for CERT_KEY_PROV_INFO_PROP_ID and a
// CRYPT_DATA_BLOB* for the others; null removes the property. The handle
// properties (1, 5) are not kept: E_INVALIDARG. A store opened read-only
// refuses persisted changes with E_ACCESSDENIED.
BOOL CertSetCertificateContextProperty(PCCERT_CONTEXT pCertContext, DWORD dwPropId, DWORD dwFlags,
                                       const void* pvData) noexcept;
// The two-call size rule; CRYPT_E_NOT_FOUND for a property not set.
BOOL CertGetCertificateContextProperty(PCCERT_CONTEXT pCertContext, DWORD dwPropId, void* pvData,
                                       DWORD* pcbData) noexcept;
// The property after dwPropId (0: the first), in ascending order; 0 at the end.
DWORD CertEnumCertificateContextProperties(PCCERT_CONTEXT pCertContext, DWORD dwPropId) noexcept;

// ---- Stores -------------------------------------------------------------------

// Store providers: small integers carried in the pointer, as on Windows.
// Another value fails with ERROR_FILE_NOT_FOUND.
#define TESK_STORE_PROV(n) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(n)))
#define CERT_STORE_PROV_MSG TESK_STORE_PROV(1)     // pvPara: the HCRYPTMSG
#define CERT_STORE_PROV_MEMORY TESK_STORE_PROV(2)
#define CERT_STORE_PROV_PKCS7 TESK_STORE_PROV(5)   // pvPara: CRYPT_DATA_BLOB* of a SignedData
#define CERT_STORE_PROV_SYSTEM_A TESK_STORE_PROV(9)
#define CERT_STORE_PROV_SYSTEM_W TESK_STORE_PROV(10)
#define CERT_STORE_PROV_SYSTEM CERT_STORE_PROV_SYSTEM_W
#define CERT_STORE_PROV_COLLECTION TESK_STORE_PROV(11)

// Low word of dwFlags.
inline constexpr DWORD CERT_STORE_NO_CRYPT_RELEASE_FLAG = 0x00000001;
inline constexpr DWORD CERT_STORE_DEFER_CLOSE_UNTIL_LAST_FREE_FLAG = 0x00000004;
inline constexpr DWORD CERT_STORE_DELETE_FLAG = 0x00000010;
inline constexpr DWORD CERT_STORE_SHARE_CONTEXT_FLAG = 0x00000080;
inline constexpr DWORD CERT_STORE_ENUM_ARCHIVED_FLAG = 0x00000200;
inline constexpr DWORD CERT_STORE_MAXIMUM_ALLOWED_FLAG = 0x00001000;
inline constexpr DWORD CERT_STORE_CREATE_NEW_FLAG = 0x00002000;
inline constexpr DWORD CERT_STORE_OPEN_EXISTING_FLAG = 0x00004000;
inline constexpr DWORD CERT_STORE_READONLY_FLAG = 0x00008000;

// High word of dwFlags for the system stores: the location.
inline constexpr DWORD CERT_SYSTEM_STORE_LOCATION_MASK = 0x00FF0000;
inline constexpr DWORD CERT_SYSTEM_STORE_LOCATION_SHIFT = 16;
inline constexpr DWORD CERT_SYSTEM_STORE_CURRENT_USER = 1u << CERT_SYSTEM_STORE_LOCATION_SHIFT;
inline constexpr DWORD CERT_SYSTEM_STORE_LOCAL_MACHINE = 2u << CERT_SYSTEM_STORE_LOCATION_SHIFT;

// System stores live under HKCU or HKLM \Software\Microsoft\SystemCertificates
// \<name>\Certificates\<SHA-1 in upper-case hex>, value "Blob" (and \CRLs\ for
// CRLs); see platform/crypt/README.md for the blob. The predefined stores
// ("MY", "Root", "Trust", "CA", "REQUEST", "AddressBook", "TrustedPeople",
// "TrustedPublisher", "Disallowed") always exist. A missing store opened with
// OPEN_EXISTING (or read-only) fails with ERROR_FILE_NOT_FOUND; CREATE_NEW on
// an existing one with ERROR_FILE_EXISTS; DELETE_FLAG returns null with last
// error 0 when the store was deleted. An unknown location is E_INVALIDARG.
HCERTSTORE CertOpenStore(LPCSTR lpszStoreProvider, DWORD dwEncodingType, HCRYPTPROV_LEGACY hCryptProv,
                         DWORD dwFlags, const void* pvPara) noexcept;
// The current user's system store, created when missing.
HCERTSTORE CertOpenSystemStoreA(HCRYPTPROV_LEGACY hProv, LPCSTR szSubsystemProtocol) noexcept;
HCERTSTORE CertOpenSystemStoreW(HCRYPTPROV_LEGACY hProv, LPCWSTR szSubsystemProtocol) noexcept;

inline constexpr DWORD CERT_CLOSE_STORE_FORCE_FLAG = 0x00000001;
inline constexpr DWORD CERT_CLOSE_STORE_CHECK_FLAG = 0x00000002;
// The handle is closed in every case; the store itself lives on while
// contexts from it are referenced, even with FORCE (their memory stays
// valid). With CHECK_FLAG such contexts make it FALSE with
// CRYPT_E_PENDING_CLOSE. A null handle is TRUE.
BOOL CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags) noexcept;

// Collections: siblings are searched in order of priority (higher first,
// then in the order added); adds go to the first sibling added with
// ADD_ENABLE, or fail with E_ACCESSDENIED when there is none.
inline constexpr DWORD CERT_PHYSICAL_STORE_ADD_ENABLE_FLAG = 0x1;
BOOL CertAddStoreToCollection(HCERTSTORE hCollectionStore, HCERTSTORE hSiblingStore, DWORD dwUpdateFlags,
                              DWORD dwPriority) noexcept;

// Add dispositions. A certificate matches another with the same encoding
// (SHA-1); a CRL matches another of the same issuer. E_INVALIDARG for others.
inline constexpr DWORD CERT_STORE_ADD_NEW = 1;           // CRYPT_E_EXISTS when it matches
inline constexpr DWORD CERT_STORE_ADD_USE_EXISTING = 2;  // the new properties go onto the existing one
inline constexpr DWORD CERT_STORE_ADD_REPLACE_EXISTING = 3;
inline constexpr DWORD CERT_STORE_ADD_ALWAYS = 4;        // duplicates are possible
inline constexpr DWORD CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES = 5;
inline constexpr DWORD CERT_STORE_ADD_NEWER = 6;         // by NotBefore (CRLs: ThisUpdate)
inline constexpr DWORD CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES = 7;

// A copy of the context (encoding and properties) goes into the store, in
// the place of the one it replaces or at the end. *ppStoreContext, when
// asked for, must be freed.
BOOL CertAddCertificateContextToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext, DWORD dwAddDisposition,
                                      PCCERT_CONTEXT* ppStoreContext) noexcept;
BOOL CertAddEncodedCertificateToStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType, const BYTE* pbCertEncoded,
                                      DWORD cbCertEncoded, DWORD dwAddDisposition,
                                      PCCERT_CONTEXT* ppCertContext) noexcept;

// Store order; a non-null pPrevCertContext is freed, as on Windows. Null
// with CRYPT_E_NOT_FOUND at the end. Archived certificates are skipped unless
// the store was opened with CERT_STORE_ENUM_ARCHIVED_FLAG.
PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pPrevCertContext) noexcept;

// Find types: compare function << 16 | the name the compare is about.
inline constexpr DWORD CERT_COMPARE_SHIFT = 16;
inline constexpr DWORD CERT_INFO_ISSUER_FLAG = 4;
inline constexpr DWORD CERT_INFO_SUBJECT_FLAG = 7;
inline constexpr DWORD CERT_FIND_ANY = 0;
inline constexpr DWORD CERT_FIND_SHA1_HASH = 1u << CERT_COMPARE_SHIFT;  // CRYPT_HASH_BLOB*
inline constexpr DWORD CERT_FIND_HASH = CERT_FIND_SHA1_HASH;
inline constexpr DWORD CERT_FIND_SUBJECT_NAME = 2u << CERT_COMPARE_SHIFT | CERT_INFO_SUBJECT_FLAG;  // CERT_NAME_BLOB*
inline constexpr DWORD CERT_FIND_ISSUER_NAME = 2u << CERT_COMPARE_SHIFT | CERT_INFO_ISSUER_FLAG;
inline constexpr DWORD CERT_FIND_MD5_HASH = 4u << CERT_COMPARE_SHIFT;   // CRYPT_HASH_BLOB*
inline constexpr DWORD CERT_FIND_PROPERTY = 5u << CERT_COMPARE_SHIFT;   // DWORD* property id
inline constexpr DWORD CERT_FIND_PUBLIC_KEY = 6u << CERT_COMPARE_SHIFT; // CERT_PUBLIC_KEY_INFO*
// Case-insensitive substring of the name as CertNameToStr(CERT_SIMPLE_NAME_STR) writes it.
inline constexpr DWORD CERT_FIND_SUBJECT_STR_A = 7u << CERT_COMPARE_SHIFT | CERT_INFO_SUBJECT_FLAG;
inline constexpr DWORD CERT_FIND_SUBJECT_STR_W = 8u << CERT_COMPARE_SHIFT | CERT_INFO_SUBJECT_FLAG;
inline constexpr DWORD CERT_FIND_SUBJECT_STR = CERT_FIND_SUBJECT_STR_W;
inline constexpr DWORD CERT_FIND_ISSUER_STR_A = 7u << CERT_COMPARE_SHIFT | CERT_INFO_ISSUER_FLAG;
inline constexpr DWORD CERT_FIND_ISSUER_STR_W = 8u << CERT_COMPARE_SHIFT | CERT_INFO_ISSUER_FLAG;
inline constexpr DWORD CERT_FIND_ISSUER_STR = CERT_FIND_ISSUER_STR_W;
inline constexpr DWORD CERT_FIND_KEY_SPEC = 9u << CERT_COMPARE_SHIFT;      // DWORD*: dwKeySpec of the key info
inline constexpr DWORD CERT_FIND_SUBJECT_CERT = 11u << CERT_COMPARE_SHIFT; // CERT_INFO*: issuer and serial
inline constexpr DWORD CERT_FIND_EXISTING = 13u << CERT_COMPARE_SHIFT;     // PCCERT_CONTEXT: same encoding
inline constexpr DWORD CERT_FIND_KEY_IDENTIFIER = 15u << CERT_COMPARE_SHIFT;  // CRYPT_HASH_BLOB*

// The next match after pPrevCertContext (freed, as on Windows); null with
// CRYPT_E_NOT_FOUND when there is none, E_INVALIDARG for another find type.
PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType, DWORD dwFindFlags,
                                          DWORD dwFindType, const void* pvFindPara,
                                          PCCERT_CONTEXT pPrevCertContext) noexcept;
// The certificate with pCertId's issuer and serial number.
PCCERT_CONTEXT CertGetSubjectCertificateFromStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType,
                                                  PCERT_INFO pCertId) noexcept;
// Removes the certificate from its store and frees the context, also when
// the removal fails (E_ACCESSDENIED for a read-only store).
BOOL CertDeleteCertificateFromStore(PCCERT_CONTEXT pCertContext) noexcept;

// Verification flags (in and out): a check that passes has its flag cleared.
inline constexpr DWORD CERT_STORE_SIGNATURE_FLAG = 0x00000001;
inline constexpr DWORD CERT_STORE_TIME_VALIDITY_FLAG = 0x00000002;
inline constexpr DWORD CERT_STORE_REVOCATION_FLAG = 0x00000004;
inline constexpr DWORD CERT_STORE_NO_CRL_FLAG = 0x00010000;
inline constexpr DWORD CERT_STORE_NO_ISSUER_FLAG = 0x00020000;

// The next certificate whose subject name is pSubjectContext's issuer name;
// pPrevIssuerContext is freed. Null with CRYPT_E_SELF_SIGNED for a self-signed subject,
// CRYPT_E_NOT_FOUND when there is no (further) issuer, then with
// CERT_STORE_NO_ISSUER_FLAG added when SIGNATURE was asked. The checks of
// CertVerifySubjectCertificateContext run on the subject with the issuer found.
PCCERT_CONTEXT CertGetIssuerCertificateFromStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pSubjectContext,
                                                 PCCERT_CONTEXT pPrevIssuerContext, DWORD* pdwFlags) noexcept;
// SIGNATURE: the issuer's key verifies the subject's signature (RSA with MD5,
// SHA-1 or SHA-2, keys of any size). TIME_VALIDITY: the layer's clock lies
// within NotBefore..NotAfter. TRUE when the checks ran, whatever their
// outcome; E_INVALIDARG for other flags (revocation is the chain engine's),
// or for SIGNATURE without an issuer.
BOOL CertVerifySubjectCertificateContext(PCCERT_CONTEXT pSubject, PCCERT_CONTEXT pIssuer, DWORD* pdwFlags) noexcept;

// ---- CRL contexts -------------------------------------------------------------

PCCRL_CONTEXT CertCreateCRLContext(DWORD dwCertEncodingType, const BYTE* pbCrlEncoded, DWORD cbCrlEncoded) noexcept;
PCCRL_CONTEXT CertDuplicateCRLContext(PCCRL_CONTEXT pCrlContext) noexcept;
BOOL CertFreeCRLContext(PCCRL_CONTEXT pCrlContext) noexcept;
BOOL CertAddCRLContextToStore(HCERTSTORE hCertStore, PCCRL_CONTEXT pCrlContext, DWORD dwAddDisposition,
                              PCCRL_CONTEXT* ppStoreContext) noexcept;
BOOL CertAddEncodedCRLToStore(HCERTSTORE hCertStore, DWORD dwCertEncodingType, const BYTE* pbCrlEncoded,
                              DWORD cbCrlEncoded, DWORD dwAddDisposition, PCCRL_CONTEXT* ppCrlContext) noexcept;
// As CertEnumCertificatesInStore, for CRLs.
PCCRL_CONTEXT CertEnumCRLsInStore(HCERTSTORE hCertStore, PCCRL_CONTEXT pPrevCrlContext) noexcept;

// ---- Comparing --------------------------------------------------------------

// Issuer names (byte for byte) and serial numbers (as integers) of two CERT_INFOs.
BOOL CertCompareCertificate(DWORD dwCertEncodingType, PCERT_INFO pCertId1, PCERT_INFO pCertId2) noexcept;
// Byte for byte, as CryptoAPI compares encoded names.
BOOL CertCompareCertificateName(DWORD dwCertEncodingType, PCERT_NAME_BLOB pCertName1,
                                PCERT_NAME_BLOB pCertName2) noexcept;
// The key bits; RSA keys are compared as numbers, so an extra leading zero
// does not matter. The algorithm parameters are not compared.
BOOL CertComparePublicKeyInfo(DWORD dwCertEncodingType, PCERT_PUBLIC_KEY_INFO pPublicKey1,
                              PCERT_PUBLIC_KEY_INFO pPublicKey2) noexcept;
// RSA modulus bits; 0 with the last error set when the key cannot be read
// (NTE_BAD_ALGID for a key that is not RSA).
DWORD CertGetPublicKeyLength(DWORD dwCertEncodingType, PCERT_PUBLIC_KEY_INFO pPublicKey) noexcept;

// ---- Extensions -------------------------------------------------------------

// The first extension with the OID, or null (CRYPT_E_NOT_FOUND).
PCERT_EXTENSION CertFindExtension(LPCSTR pszObjId, DWORD cExtensions, CERT_EXTENSION rgExtensions[]) noexcept;
// The first cbKeyUsage bytes of the key-usage bits (zero-filled). FALSE with
// last error 0 when the certificate has no key-usage extension.
BOOL CertGetIntendedKeyUsage(DWORD dwCertEncodingType, PCERT_INFO pCertInfo, BYTE* pbKeyUsage,
                             DWORD cbKeyUsage) noexcept;

inline constexpr DWORD CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG = 0x2;
inline constexpr DWORD CERT_FIND_PROP_ONLY_ENHKEY_USAGE_FLAG = 0x4;
// The usages of the extension, of CERT_ENHKEY_USAGE_PROP_ID, or (flags 0) of
// both: the usages both list. In one block with the size rule. When the
// sources asked for are all absent the result is TRUE with no usage and the
// last error CRYPT_E_NOT_FOUND (good for every use); when they leave no
// usage it is TRUE with no usage and the last error 0 (good for none).
BOOL CertGetEnhancedKeyUsage(PCCERT_CONTEXT pCertContext, DWORD dwFlags, PCERT_ENHKEY_USAGE pUsage,
                             DWORD* pcbUsage) noexcept;

// ---- Names ------------------------------------------------------------------

inline constexpr DWORD CERT_NAME_EMAIL_TYPE = 1;            // rfc822Name of the alt. name, else E=
inline constexpr DWORD CERT_NAME_RDN_TYPE = 2;              // pvTypePara: DWORD* CertNameToStr type
inline constexpr DWORD CERT_NAME_ATTR_TYPE = 3;             // pvTypePara: LPCSTR OID
inline constexpr DWORD CERT_NAME_SIMPLE_DISPLAY_TYPE = 4;   // CN, OU, O, E, rfc822Name, first attribute
inline constexpr DWORD CERT_NAME_FRIENDLY_DISPLAY_TYPE = 5; // CERT_FRIENDLY_NAME_PROP_ID, else simple display
inline constexpr DWORD CERT_NAME_ISSUER_FLAG = 0x1;         // the issuer's name and alternative name
inline constexpr DWORD CERT_NAME_DISABLE_IE4_UTF8_FLAG = 0x00010000;

// Characters written or needed, the NUL included; a null or zero-sized
// buffer gets the size, a short one the text cut and NUL-terminated. A name
// not found (or another type) gives the empty text: 1.
DWORD CertGetNameStringA(PCCERT_CONTEXT pCertContext, DWORD dwType, DWORD dwFlags, void* pvTypePara,
                         LPSTR pszNameString, DWORD cchNameString) noexcept;
DWORD CertGetNameStringW(PCCERT_CONTEXT pCertContext, DWORD dwType, DWORD dwFlags, void* pvTypePara,
                         LPWSTR pszNameString, DWORD cchNameString) noexcept;

// ---- Hashes and public keys ---------------------------------------------------

// The hash (CALG_SHA1 when Algid is 0) of the bytes, through hCryptProv or
// the default provider when it is 0. The two-call size rule.
BOOL CryptHashCertificate(HCRYPTPROV_LEGACY hCryptProv, ALG_ID Algid, DWORD dwFlags, const BYTE* pbEncoded,
                          DWORD cbEncoded, BYTE* pbComputedHash, DWORD* pcbComputedHash) noexcept;

// The public key of the container's key pair as a CERT_PUBLIC_KEY_INFO in one
// block: szOID_RSA_RSA (or pszPublicKeyObjId) with NULL parameters and the
// RSAPublicKey DER. The two-call size rule.
BOOL CryptExportPublicKeyInfo(HCRYPTPROV_OR_NCRYPT_KEY_HANDLE hCryptProvOrNCryptKey, DWORD dwKeySpec,
                              DWORD dwCertEncodingType, PCERT_PUBLIC_KEY_INFO pInfo, DWORD* pcbInfo) noexcept;
BOOL CryptExportPublicKeyInfoEx(HCRYPTPROV_OR_NCRYPT_KEY_HANDLE hCryptProvOrNCryptKey, DWORD dwKeySpec,
                                DWORD dwCertEncodingType, LPSTR pszPublicKeyObjId, DWORD dwFlags, void* pvAuxInfo,
                                PCERT_PUBLIC_KEY_INFO pInfo, DWORD* pcbInfo) noexcept;
// An RSA key info imported into the provider as a public key (CALG_RSA_KEYX).
BOOL CryptImportPublicKeyInfo(HCRYPTPROV hCryptProv, DWORD dwCertEncodingType, PCERT_PUBLIC_KEY_INFO pInfo,
                              HCRYPTKEY* phKey) noexcept;

// ---- Signing ------------------------------------------------------------------

// Encodes the structure (X509_CERT_REQUEST_TO_BE_SIGNED, X509_CERT_TO_BE_SIGNED
// ...), signs the encoding with the container's key of dwKeySpec under the
// signature algorithm (its hash from the OID information: CRYPT_E_UNKNOWN_ALGO
// for an OID that names no signature) and writes the whole as X509_CERT, the
// algorithm with its parameters as given. The two-call size rule; a size query
// or a short buffer signs nothing, so a card asks for no PIN then.
BOOL CryptSignAndEncodeCertificate(HCRYPTPROV_OR_NCRYPT_KEY_HANDLE hCryptProvOrNCryptKey, DWORD dwKeySpec,
                                   DWORD dwCertEncodingType, LPCSTR lpszStructType, const void* pvStructInfo,
                                   PCRYPT_ALGORITHM_IDENTIFIER pSignatureAlgorithm, const void* pvHashAuxInfo,
                                   BYTE* pbEncoded, DWORD* pcbEncoded) noexcept;

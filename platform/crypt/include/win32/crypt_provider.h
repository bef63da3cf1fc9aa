// Cryptographic service providers, key containers, keys and hashes (the
// advapi32 half of CryptoAPI). Providers are listed in the registry as on
// Windows; the built-in software providers keep RSA keys in per-user
// container files, card providers run a PKCS#11 module whose slots are the
// readers (see platform/crypt_providers.h). Every function returns FALSE
// with the last error set on failure; success leaves the last error alone.
#pragma once

#include "win32/crypt_types.h"

// CryptAcquireContext flags.
inline constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000u;
inline constexpr DWORD CRYPT_NEWKEYSET = 0x00000008;
inline constexpr DWORD CRYPT_DELETEKEYSET = 0x00000010;
inline constexpr DWORD CRYPT_MACHINE_KEYSET = 0x00000020;
inline constexpr DWORD CRYPT_SILENT = 0x00000040;
// A card context without a container (none is defaulted) that may still ask
// for the PIN, unlike a verify context.
inline constexpr DWORD CRYPT_DEFAULT_CONTAINER_OPTIONAL = 0x00000080;

// CryptGetDefaultProvider flags.
inline constexpr DWORD CRYPT_MACHINE_DEFAULT = 0x00000001;
inline constexpr DWORD CRYPT_USER_DEFAULT = 0x00000002;

// CryptGetProvParam / CryptSetProvParam parameters.
inline constexpr DWORD PP_ENUMALGS = 1;
inline constexpr DWORD PP_ENUMCONTAINERS = 2;
inline constexpr DWORD PP_NAME = 4;
inline constexpr DWORD PP_VERSION = 5;
inline constexpr DWORD PP_CONTAINER = 6;
inline constexpr DWORD PP_ENUMALGS_EX = 22;
inline constexpr DWORD PP_KEYEXCHANGE_PIN = 32;
inline constexpr DWORD PP_SIGNATURE_PIN = 33;

// Enumeration flags of CryptGetProvParam.
inline constexpr DWORD CRYPT_FIRST = 1;
inline constexpr DWORD CRYPT_NEXT = 2;

// Protocol flags of PROV_ENUMALGS_EX.
inline constexpr DWORD CRYPT_FLAG_PCT1 = 0x0001;
inline constexpr DWORD CRYPT_FLAG_SSL2 = 0x0002;
inline constexpr DWORD CRYPT_FLAG_SSL3 = 0x0004;
inline constexpr DWORD CRYPT_FLAG_TLS1 = 0x0008;
inline constexpr DWORD CRYPT_FLAG_IPSEC = 0x0010;
inline constexpr DWORD CRYPT_FLAG_SIGNING = 0x0020;

struct PROV_ENUMALGS {
    ALG_ID aiAlgid;
    DWORD dwBitLen;
    DWORD dwNameLen;
    CHAR szName[20];
};

struct PROV_ENUMALGS_EX {
    ALG_ID aiAlgid;
    DWORD dwDefaultLen;
    DWORD dwMinLen;
    DWORD dwMaxLen;
    DWORD dwProtocols;
    DWORD dwNameLen;
    CHAR szName[20];
    DWORD dwLongNameLen;
    CHAR szLongName[40];
};

// CryptGenKey / CryptImportKey flags; the key length in bits is the high
// 16 bits of dwFlags (0: the provider's default).
inline constexpr DWORD CRYPT_EXPORTABLE = 0x00000001;
inline constexpr DWORD CRYPT_USER_PROTECTED = 0x00000002;

// CryptGetKeyParam / CryptSetKeyParam parameters.
inline constexpr DWORD KP_PERMISSIONS = 6;
inline constexpr DWORD KP_ALGID = 7;
inline constexpr DWORD KP_KEYLEN = 9;
inline constexpr DWORD KP_INFO = 18;
inline constexpr DWORD KP_CERTIFICATE = 26;

// KP_PERMISSIONS bits.
inline constexpr DWORD CRYPT_ENCRYPT = 0x0001;
inline constexpr DWORD CRYPT_DECRYPT = 0x0002;
inline constexpr DWORD CRYPT_EXPORT = 0x0004;
inline constexpr DWORD CRYPT_READ = 0x0008;
inline constexpr DWORD CRYPT_WRITE = 0x0010;
inline constexpr DWORD CRYPT_MAC = 0x0020;

// CryptGetHashParam / CryptSetHashParam parameters.
inline constexpr DWORD HP_ALGID = 1;
inline constexpr DWORD HP_HASHVAL = 2;
inline constexpr DWORD HP_HASHSIZE = 4;

// CryptSignHash / CryptVerifySignature flags.
inline constexpr DWORD CRYPT_NOHASHOID = 0x00000001;

// Providers.
BOOL CryptAcquireContextA(HCRYPTPROV* phProv, LPCSTR szContainer, LPCSTR szProvider, DWORD dwProvType,
                          DWORD dwFlags) noexcept;
BOOL CryptAcquireContextW(HCRYPTPROV* phProv, LPCWSTR szContainer, LPCWSTR szProvider, DWORD dwProvType,
                          DWORD dwFlags) noexcept;
// A nonzero dwFlags gives NTE_BAD_FLAGS, but the context is released all the same.
BOOL CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) noexcept;
// Providers in the order of their names; ERROR_NO_MORE_ITEMS past the end.
// pcbProvName counts bytes, the terminating NUL included, in both forms.
BOOL CryptEnumProvidersA(DWORD dwIndex, DWORD* pdwReserved, DWORD dwFlags, DWORD* pdwProvType, LPSTR szProvName,
                         DWORD* pcbProvName) noexcept;
BOOL CryptEnumProvidersW(DWORD dwIndex, DWORD* pdwReserved, DWORD dwFlags, DWORD* pdwProvType, LPWSTR szProvName,
                         DWORD* pcbProvName) noexcept;
// The user default falls back to the machine default of the type.
BOOL CryptGetDefaultProviderA(DWORD dwProvType, DWORD* pdwReserved, DWORD dwFlags, LPSTR pszProvName,
                              DWORD* pcbProvName) noexcept;
BOOL CryptGetDefaultProviderW(DWORD dwProvType, DWORD* pdwReserved, DWORD dwFlags, LPWSTR pszProvName,
                              DWORD* pcbProvName) noexcept;
// Texts (PP_NAME, PP_CONTAINER, PP_ENUMCONTAINERS) are ANSI with their NUL.
BOOL CryptGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) noexcept;
BOOL CryptSetProvParam(HCRYPTPROV hProv, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) noexcept;

// Keys.
BOOL CryptGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTKEY* phKey) noexcept;
BOOL CryptGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) noexcept;
BOOL CryptDestroyKey(HCRYPTKEY hKey) noexcept;
BOOL CryptExportKey(HCRYPTKEY hKey, HCRYPTKEY hExpKey, DWORD dwBlobType, DWORD dwFlags, BYTE* pbData,
                    DWORD* pdwDataLen) noexcept;
BOOL CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, HCRYPTKEY hPubKey, DWORD dwFlags,
                    HCRYPTKEY* phKey) noexcept;
BOOL CryptGetKeyParam(HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) noexcept;
// KP_CERTIFICATE takes a DER certificate (its length is read from the DER);
// a null pbData removes the key's certificate.
BOOL CryptSetKeyParam(HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) noexcept;

// Hashes.
BOOL CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash) noexcept;
BOOL CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags) noexcept;
BOOL CryptGetHashParam(HCRYPTHASH hHash, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) noexcept;
// HP_HASHVAL sets a value computed elsewhere (the hash's size of bytes).
BOOL CryptSetHashParam(HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) noexcept;
BOOL CryptDestroyHash(HCRYPTHASH hHash) noexcept;
// PKCS #1 v1.5 signatures, little-endian as CryptoAPI keeps them. A size
// query (null pbSignature) signs nothing. sDescription is not used.
BOOL CryptSignHashA(HCRYPTHASH hHash, DWORD dwKeySpec, LPCSTR sDescription, DWORD dwFlags, BYTE* pbSignature,
                    DWORD* pdwSigLen) noexcept;
BOOL CryptSignHashW(HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR sDescription, DWORD dwFlags, BYTE* pbSignature,
                    DWORD* pdwSigLen) noexcept;
BOOL CryptVerifySignatureA(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen, HCRYPTKEY hPubKey,
                           LPCSTR sDescription, DWORD dwFlags) noexcept;
BOOL CryptVerifySignatureW(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen, HCRYPTKEY hPubKey,
                           LPCWSTR sDescription, DWORD dwFlags) noexcept;

// Certificate chains: CertGetCertificateChain builds the chain of a
// certificate up to a root and reports, per certificate and summed for the
// chain, what is wrong with it (CERT_TRUST_* error bits) and how it was put
// together (info bits); CertVerifyCertificateChainPolicy turns such a chain
// into one error code.
//
// Trust anchors are the self-signed certificates of the "Root" system
// stores; issuers are looked for there, in the additional store, in the "CA"
// stores and in the certificate's own store. The current user's engine
// (HCCE_CURRENT_USER or null) reads the user's and the machine's stores, the
// machine's engine (HCCE_LOCAL_MACHINE) the machine's alone.
//
// Revocation is checked with CRLs (RFC 5280 section 6.3.3): those in the
// stores searched and those kept in this process, and when they do not
// decide, those named by the certificate's CRL distribution points, fetched
// over HTTP and kept until their nextUpdate. Functions fail with the last
// error set; success leaves it alone.
#pragma once

#include "win32/crypt_store.h"
#include "win32/error_codes.h"

// ---- Engines ------------------------------------------------------------------

#define HCCE_CURRENT_USER (reinterpret_cast<HCERTCHAINENGINE>(static_cast<ULONG_PTR>(0)))
#define HCCE_LOCAL_MACHINE (reinterpret_cast<HCERTCHAINENGINE>(static_cast<ULONG_PTR>(1)))

// ---- Trust status ---------------------------------------------------------------

// Error bits: of one certificate, or OR-ed over a simple chain and the context.
inline constexpr DWORD CERT_TRUST_NO_ERROR = 0x00000000;
inline constexpr DWORD CERT_TRUST_IS_NOT_TIME_VALID = 0x00000001;   // the check time is outside its validity
inline constexpr DWORD CERT_TRUST_IS_NOT_TIME_NESTED = 0x00000002;  // its validity is not within its issuer's
inline constexpr DWORD CERT_TRUST_IS_REVOKED = 0x00000004;
inline constexpr DWORD CERT_TRUST_IS_NOT_SIGNATURE_VALID = 0x00000008;
inline constexpr DWORD CERT_TRUST_IS_NOT_VALID_FOR_USAGE = 0x00000010;
inline constexpr DWORD CERT_TRUST_IS_UNTRUSTED_ROOT = 0x00000020;
inline constexpr DWORD CERT_TRUST_REVOCATION_STATUS_UNKNOWN = 0x00000040;
inline constexpr DWORD CERT_TRUST_IS_CYCLIC = 0x00000080;
inline constexpr DWORD CERT_TRUST_INVALID_EXTENSION = 0x00000100;  // undecodable, or critical and not understood
inline constexpr DWORD CERT_TRUST_INVALID_POLICY_CONSTRAINTS = 0x00000200;
inline constexpr DWORD CERT_TRUST_INVALID_BASIC_CONSTRAINTS = 0x00000400;
inline constexpr DWORD CERT_TRUST_INVALID_NAME_CONSTRAINTS = 0x00000800;
inline constexpr DWORD CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT = 0x00001000;
inline constexpr DWORD CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT = 0x00002000;
inline constexpr DWORD CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT = 0x00004000;
inline constexpr DWORD CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT = 0x00008000;
inline constexpr DWORD CERT_TRUST_IS_OFFLINE_REVOCATION = 0x01000000;
inline constexpr DWORD CERT_TRUST_NO_ISSUANCE_CHAIN_POLICY = 0x02000000;
// Chains only: no self-signed certificate was reached.
inline constexpr DWORD CERT_TRUST_IS_PARTIAL_CHAIN = 0x00010000;
// Certificate trust lists are not supported, so these are never set.
inline constexpr DWORD CERT_TRUST_CTL_IS_NOT_TIME_VALID = 0x00020000;
inline constexpr DWORD CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID = 0x00040000;
inline constexpr DWORD CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE = 0x00080000;

// Info bits. The first four describe one certificate and are not summed
// into chains: how its issuer was matched (by the authority key
// identifier's issuer and serial number, by its key identifier, or by name
// alone) and whether it is its own issuer.
inline constexpr DWORD CERT_TRUST_HAS_EXACT_MATCH_ISSUER = 0x00000001;
inline constexpr DWORD CERT_TRUST_HAS_KEY_MATCH_ISSUER = 0x00000002;
inline constexpr DWORD CERT_TRUST_HAS_NAME_MATCH_ISSUER = 0x00000004;
inline constexpr DWORD CERT_TRUST_IS_SELF_SIGNED = 0x00000008;
// Every certificate of a chain that ends in a trusted root.
inline constexpr DWORD CERT_TRUST_HAS_PREFERRED_ISSUER = 0x00000100;
// Never set: issuance policies, name-constraint validation info and complex
// (trust-list) chains are not reported.
inline constexpr DWORD CERT_TRUST_HAS_ISSUANCE_CHAIN_POLICY = 0x00000200;
inline constexpr DWORD CERT_TRUST_HAS_VALID_NAME_CONSTRAINTS = 0x00000400;
inline constexpr DWORD CERT_TRUST_IS_COMPLEX_CHAIN = 0x00010000;

struct CERT_TRUST_STATUS {
    DWORD dwErrorStatus;
    DWORD dwInfoStatus;
};
using PCERT_TRUST_STATUS = CERT_TRUST_STATUS*;

// ---- Revocation -----------------------------------------------------------------

// Reason codes of a CRL entry's szOID_CRL_REASON_CODE extension.
inline constexpr int CRL_REASON_UNSPECIFIED = 0;
inline constexpr int CRL_REASON_KEY_COMPROMISE = 1;
inline constexpr int CRL_REASON_CA_COMPROMISE = 2;
inline constexpr int CRL_REASON_AFFILIATION_CHANGED = 3;
inline constexpr int CRL_REASON_SUPERSEDED = 4;
inline constexpr int CRL_REASON_CESSATION_OF_OPERATION = 5;
inline constexpr int CRL_REASON_CERTIFICATE_HOLD = 6;
inline constexpr int CRL_REASON_REMOVE_FROM_CRL = 8;

// The complete CRL that decided, the delta CRL read over it, and the
// certificate's entry when it is listed (its extensions carry the reason);
// fDeltaCrlEntry when the entry is the delta's.
struct CERT_REVOCATION_CRL_INFO {
    DWORD cbSize;
    PCCRL_CONTEXT pBaseCrlContext;
    PCCRL_CONTEXT pDeltaCrlContext;
    PCRL_ENTRY pCrlEntry;
    BOOL fDeltaCrlEntry;
};
using PCERT_REVOCATION_CRL_INFO = CERT_REVOCATION_CRL_INFO*;

// Present for each certificate whose revocation was checked.
// dwRevocationResult: 0 (not revoked), CRYPT_E_REVOKED,
// CRYPT_E_NO_REVOCATION_CHECK (nothing to check with: no distribution point,
// or no issuer) or CRYPT_E_REVOCATION_OFFLINE (no usable CRL could be had).
// The freshness is the age of the CRL used, in seconds.
struct CERT_REVOCATION_INFO {
    DWORD cbSize;
    DWORD dwRevocationResult;
    LPCSTR pszRevocationOid;
    LPVOID pvOidSpecificInfo;
    BOOL fHasFreshnessTime;
    DWORD dwFreshnessTime;
    PCERT_REVOCATION_CRL_INFO pCrlInfo;
};
using PCERT_REVOCATION_INFO = CERT_REVOCATION_INFO*;

// ---- Chain contexts -------------------------------------------------------------

struct CERT_TRUST_LIST_INFO;  // trust lists are not supported: always null
using PCERT_TRUST_LIST_INFO = CERT_TRUST_LIST_INFO*;

// pIssuanceUsage and pApplicationUsage are not filled (null); nor is
// pwszExtendedErrorInfo.
struct CERT_CHAIN_ELEMENT {
    DWORD cbSize;
    PCCERT_CONTEXT pCertContext;
    CERT_TRUST_STATUS TrustStatus;
    PCERT_REVOCATION_INFO pRevocationInfo;
    PCERT_ENHKEY_USAGE pIssuanceUsage;
    PCERT_ENHKEY_USAGE pApplicationUsage;
    LPCWSTR pwszExtendedErrorInfo;
};
using PCERT_CHAIN_ELEMENT = CERT_CHAIN_ELEMENT*;
using PCCERT_CHAIN_ELEMENT = const CERT_CHAIN_ELEMENT*;

// Element 0 is the certificate asked about, the last one the root (or the
// last issuer found).
struct CERT_SIMPLE_CHAIN {
    DWORD cbSize;
    CERT_TRUST_STATUS TrustStatus;
    DWORD cElement;
    PCERT_CHAIN_ELEMENT* rgpElement;
    PCERT_TRUST_LIST_INFO pTrustListInfo;
    BOOL fHasRevocationFreshnessTime;
    DWORD dwRevocationFreshnessTime;  // the oldest CRL used
};
using PCERT_SIMPLE_CHAIN = CERT_SIMPLE_CHAIN*;
using PCCERT_SIMPLE_CHAIN = const CERT_SIMPLE_CHAIN*;

struct CERT_CHAIN_CONTEXT;
using PCCERT_CHAIN_CONTEXT = const CERT_CHAIN_CONTEXT*;

// One simple chain, and no lower-quality alternatives.
struct CERT_CHAIN_CONTEXT {
    DWORD cbSize;
    CERT_TRUST_STATUS TrustStatus;
    DWORD cChain;
    PCERT_SIMPLE_CHAIN* rgpChain;
    DWORD cLowerQualityChainContext;
    PCCERT_CHAIN_CONTEXT* rgpLowerQualityChainContext;
    BOOL fHasRevocationFreshnessTime;
    DWORD dwRevocationFreshnessTime;
};
using PCERT_CHAIN_CONTEXT = CERT_CHAIN_CONTEXT*;

// ---- Building -------------------------------------------------------------------

inline constexpr DWORD USAGE_MATCH_TYPE_AND = 0x00000000;
inline constexpr DWORD USAGE_MATCH_TYPE_OR = 0x00000001;

// The enhanced key usages asked for: all of them (AND) or one (OR). No
// identifiers means no usage check. A certificate's usages are those of
// CertGetEnhancedKeyUsage, narrowed by those of its issuers.
struct CERT_USAGE_MATCH {
    DWORD dwType;
    CERT_ENHKEY_USAGE Usage;
};
using PCERT_USAGE_MATCH = CERT_USAGE_MATCH*;

// cbSize is at least sizeof(CERT_CHAIN_PARA); larger records are accepted.
struct CERT_CHAIN_PARA {
    DWORD cbSize;
    CERT_USAGE_MATCH RequestedUsage;
};
using PCERT_CHAIN_PARA = CERT_CHAIN_PARA*;

// Revocation: the end certificate, every certificate, or every one but a
// self-signed root (the widest one given counts). Without one, nothing is
// checked and no revocation bit is set.
inline constexpr DWORD CERT_CHAIN_REVOCATION_CHECK_END_CERT = 0x10000000;
inline constexpr DWORD CERT_CHAIN_REVOCATION_CHECK_CHAIN = 0x20000000;
inline constexpr DWORD CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT = 0x40000000;
// Only CRLs already at hand (stores, this process's cache); nothing is fetched.
inline constexpr DWORD CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY = 0x80000000;
inline constexpr DWORD CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL = 0x00000004;
// Accepted without effect: chains are built from the stores' present contents
// each time, and each fetch has its own time limit.
inline constexpr DWORD CERT_CHAIN_CACHE_END_CERT = 0x00000001;
inline constexpr DWORD CERT_CHAIN_THREAD_STORE_SYNC = 0x00000002;
inline constexpr DWORD CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE = 0x00000100;
inline constexpr DWORD CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT = 0x08000000;

// TRUE with a chain however bad the certificate is; *ppChainContext must be
// given back with CertFreeCertificateChain. pTime null is now (the layer's
// clock); the validity of certificates is judged at pTime, that of CRLs now.
// E_INVALIDARG for a null or unknown certificate, a null pChainPara or one
// too small, a non-null pvReserved, or an engine other than the two.
BOOL CertGetCertificateChain(HCERTCHAINENGINE hChainEngine, PCCERT_CONTEXT pCertContext, LPFILETIME pTime,
                             HCERTSTORE hAdditionalStore, PCERT_CHAIN_PARA pChainPara, DWORD dwFlags,
                             LPVOID pvReserved, PCCERT_CHAIN_CONTEXT* ppChainContext) noexcept;
// The same pointer with one more reference; null for a null or unknown one.
PCCERT_CHAIN_CONTEXT CertDuplicateCertificateChain(PCCERT_CHAIN_CONTEXT pChainContext) noexcept;
// Drops one reference; the last frees the chain and the contexts it holds.
// Null and unknown pointers are ignored.
void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT pChainContext) noexcept;

// ---- Policies -------------------------------------------------------------------

#define TESK_CHAIN_POLICY(n) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(n)))
#define CERT_CHAIN_POLICY_BASE TESK_CHAIN_POLICY(1)
#define CERT_CHAIN_POLICY_BASIC_CONSTRAINTS TESK_CHAIN_POLICY(5)

// Conditions the base policy may be told to overlook.
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_NOT_TIME_VALID_FLAG = 0x00000001;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_CTL_NOT_TIME_VALID_FLAG = 0x00000002;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_NOT_TIME_NESTED_FLAG = 0x00000004;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_INVALID_BASIC_CONSTRAINTS_FLAG = 0x00000008;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_ALL_NOT_TIME_VALID_FLAGS = 0x00000007;
inline constexpr DWORD CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG = 0x00000010;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_WRONG_USAGE_FLAG = 0x00000020;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_INVALID_NAME_FLAG = 0x00000040;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_INVALID_POLICY_FLAG = 0x00000080;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_END_REV_UNKNOWN_FLAG = 0x00000100;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_CTL_SIGNER_REV_UNKNOWN_FLAG = 0x00000200;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_CA_REV_UNKNOWN_FLAG = 0x00000400;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_ROOT_REV_UNKNOWN_FLAG = 0x00000800;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS = 0x00000F00;
inline constexpr DWORD CERT_CHAIN_POLICY_IGNORE_NOT_SUPPORTED_CRITICAL_EXT_FLAG = 0x00002000;

// For CERT_CHAIN_POLICY_BASIC_CONSTRAINTS: what the end certificate may be
// (neither or both: either).
inline constexpr DWORD BASIC_CONSTRAINTS_CERT_CHAIN_POLICY_CA_FLAG = 0x80000000;
inline constexpr DWORD BASIC_CONSTRAINTS_CERT_CHAIN_POLICY_END_ENTITY_FLAG = 0x40000000;

struct CERT_CHAIN_POLICY_PARA {
    DWORD cbSize;
    DWORD dwFlags;
    void* pvExtraPolicyPara;  // not used by these policies
};
using PCERT_CHAIN_POLICY_PARA = CERT_CHAIN_POLICY_PARA*;

// dwError 0 with both indexes -1 when the chain passes; else the error and
// where it was found: the chain and element, or element -1 for a condition
// of the whole simple chain (a partial chain).
struct CERT_CHAIN_POLICY_STATUS {
    DWORD cbSize;
    DWORD dwError;
    LONG lChainIndex;
    LONG lElementIndex;
    void* pvExtraPolicyStatus;
};
using PCERT_CHAIN_POLICY_STATUS = CERT_CHAIN_POLICY_STATUS*;

// CERT_CHAIN_POLICY_BASE: the first of these that the chain shows and the
// flags do not waive: TRUST_E_CERT_SIGNATURE, CRYPT_E_REVOKED,
// CERT_E_UNTRUSTEDROOT, CERT_E_CHAINING (partial or cyclic),
// CERT_E_WRONG_USAGE, CERT_E_EXPIRED, CERT_E_INVALID_NAME,
// CERT_E_INVALID_POLICY, TRUST_E_BASIC_CONSTRAINTS, CERT_E_CRITICAL,
// CERT_E_VALIDITYPERIODNESTING, then CRYPT_E_REVOCATION_OFFLINE or
// CRYPT_E_NO_REVOCATION_CHECK.
// CERT_CHAIN_POLICY_BASIC_CONSTRAINTS: TRUST_E_BASIC_CONSTRAINTS when a
// certificate's basic constraints (where it has them) do not allow its place:
// the end one as the flags say, the others as CAs within their path length.
// TRUE when the policy could be applied; E_INVALIDARG for bad arguments,
// CRYPT_E_NOT_FOUND for another policy.
BOOL CertVerifyCertificateChainPolicy(LPCSTR pszPolicyOID, PCCERT_CHAIN_CONTEXT pChainContext,
                                      PCERT_CHAIN_POLICY_PARA pPolicyPara,
                                      PCERT_CHAIN_POLICY_STATUS pPolicyStatus) noexcept;

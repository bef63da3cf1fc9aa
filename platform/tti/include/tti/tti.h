// tti: RFC 3161 time-stamp requests, replies and tokens, the library the
// time-stamp client loads at run time as "tti.dll". Its records, status
// codes and exports, shared by the library and the client that binds them by
// name.
//
// Conventions of every export:
// - the result is TTI_OK (0) or one of the negative statuses below;
// - an output buffer comes with a length in bytes: a null buffer asks for the
//   length (TTI_OK); a buffer shorter than the result gives
//   TTI_E_BUFFER_TOO_SMALL with the length needed; otherwise the result and
//   its length are written;
// - records are little-endian, begin with their size where they have one,
//   and are used as they are laid out here;
// - integers (nonce, serial numbers) are the content octets of their DER
//   INTEGER: two's complement, big-endian, minimal.
#pragma once

#include <cstddef>
#include <cstdint>

#define TTI_API extern "C" __attribute__((visibility("default")))

// Statuses. -13 has no meaning of its own beyond "not supported here";
// -18 is the client's, for a library that cannot be loaded.
enum : int {
    TTI_OK = 0,
    TTI_E_PARAMETER = -1,  // a null pointer, a wrong record size, a value that does not fit
    TTI_E_MEMORY = -2,
    TTI_E_BUFFER_TOO_SMALL = -3,
    TTI_E_INTERNAL_BUFFER = -4,       // a decoded value does not fit its field of a record
    TTI_E_ASN_RESULT = -5,            // encoding or decoding gave an unexpected result
    TTI_E_ASN_ERROR = -6,             // the bytes do not decode as the structure they must be
    TTI_E_NOT_A_TOKEN = -7,           // not a DER time-stamp token (SignedData over TSTInfo)
    TTI_E_SIGNATURE = -8,             // the token's signature does not verify
    TTI_E_RESPONSE_STATUS = -9,       // the reply's PKIStatus refuses the request
    TTI_E_NO_TOKEN = -10,             // the reply carries no token
    TTI_E_RESPONSE_SIZE = -11,        // the reply is shorter than its DER header says
    TTI_E_UNEXPECTED_RESPONSE = -12,  // the reply is not a DER structure at all
    TTI_E_NOT_SUPPORTED = -13,
    TTI_E_NO_TSA_CERT = -14,  // the token carries no certificate of a time-stamping authority
    TTI_E_NO_TAC = -15,       // no time attribute certificate
    TTI_E_ESS_CERT_ID = -16,  // the signing-certificate attribute does not name the signer
    TTI_E_NO_TAC_TIMING_POLICY = -17,
    TTI_E_NOT_LOADED = -18,
};

inline constexpr std::uint32_t TTI_OID_TEXT_SIZE = 128;  // dotted text with its terminator
inline constexpr std::uint32_t TTI_HASH_SIZE = 128;
inline constexpr std::uint32_t TTI_INTEGER_SIZE = 40;

// A message imprint: the hash algorithm and the hash it names.
struct TtiImprint {
    char hashAlgOid[TTI_OID_TEXT_SIZE];
    std::uint8_t hash[TTI_HASH_SIZE];
    std::uint32_t hashLength;
};

// A nonce or a serial number.
struct TtiInteger {
    std::uint8_t bytes[TTI_INTEGER_SIZE];
    std::uint32_t length;  // 0: absent
};

// The request TTI_EncodeTSQ_Ex encodes as a TimeStampReq.
struct TtiRequest {
    std::uint32_t size;  // sizeof(TtiRequest)
    TtiImprint imprint;
    char policyOid[TTI_OID_TEXT_SIZE];  // empty: no reqPolicy
    TtiInteger nonce;                   // length 0: no nonce
    std::uint32_t certReq;              // non-zero: the TSA is asked for its certificate
};
static_assert(sizeof(TtiRequest) == 440);
static_assert(offsetof(TtiRequest, imprint) == 4 && sizeof(TtiImprint) == 260);
static_assert(offsetof(TtiRequest, policyOid) == 264);
static_assert(offsetof(TtiRequest, nonce) == 392 && sizeof(TtiInteger) == 44);
static_assert(offsetof(TtiRequest, certReq) == 436);

// The PKIStatusInfo of a reply.
struct TtiStatus {
    std::int32_t status;       // PKIStatus
    char text[80];             // the statusString texts (UTF-8), "; " between them, cut to fit
    std::int32_t failureInfo;  // the lowest PKIFailureInfo bit set, -1 when none is
};
static_assert(sizeof(TtiStatus) == 88);
static_assert(offsetof(TtiStatus, text) == 4 && offsetof(TtiStatus, failureInfo) == 84);

// The TSTInfo of a token.
struct TtiTokenInfo {
    std::uint32_t size;  // sizeof(TtiTokenInfo), set by the caller
    std::uint32_t version;
    char policyOid[TTI_OID_TEXT_SIZE];
    TtiImprint imprint;
    TtiInteger nonce;
    TtiInteger serial;
    char genTime[32];   // the GeneralizedTime as encoded, "YYYYMMDDHHMMSS[.f...]Z"
    char tsaName[528];  // UTF-8; a directory name as "C=CZ, O=..., CN=...", empty when absent
};
static_assert(sizeof(TtiTokenInfo) == 1044);

// The frame of a time attribute certificate (an RFC 5755 attribute certificate).
struct TtiTacInfo {
    std::uint32_t size;     // sizeof(TtiTacInfo), set by the caller
    std::uint32_t version;  // as encoded: 1 for a v2 attribute certificate
    TtiInteger serial;
    char notBefore[32];  // GeneralizedTime texts
    char notAfter[32];
    char issuer[512];  // the first directory name of the issuer, as in TtiTokenInfo
};
static_assert(sizeof(TtiTacInfo) == 628);

// An incremental hash; released by its final call.
struct TtiHash;

// Encodes the request as a DER TimeStampReq. The only encoding option is 0.
TTI_API int TTI_EncodeTSQ_Ex(const TtiRequest* request, std::uint8_t* out, std::uint32_t* outLength,
                             std::uint32_t option);

// Checks that the reply holds one whole DER structure and cuts *length to
// it (a transport's trailing bytes are dropped). The response code says
// more about a failure: the length the DER header announced, else 0. The
// only flag value is 0.
TTI_API int TTI_UnpackTSR(std::uint8_t* reply, std::uint32_t* length, std::int32_t* responseCode, std::uint32_t flags);
TTI_API int TTI_GetTSR_Status(TtiStatus* status, const std::uint8_t* reply, std::uint32_t length);
// The token as it stands in the reply: a DER ContentInfo with SignedData.
TTI_API int TTI_GetTSR_EncodedToken(std::uint8_t* token, std::uint32_t* tokenLength, const std::uint8_t* reply,
                                    std::uint32_t length);

TTI_API int TTI_GetTST_TSTInfoEx(TtiTokenInfo* info, const std::uint8_t* token, std::uint32_t length);
// Verifies the token's signature with the certificate it carries, that this
// certificate is one of a time-stamping authority, and that the token's
// signing-certificate attribute names it. Trust in the certificate is the
// caller's to decide (TTI_GetTST_TSACert gives it).
TTI_API int TTI_VerifyTST_Signature(const std::uint8_t* token, std::uint32_t length);
// The DER certificate that signed the token.
TTI_API int TTI_GetTST_TSACert(std::uint8_t* certificate, std::uint32_t* certificateLength, const std::uint8_t* token,
                               std::uint32_t length);

// The first attribute certificate the token carries (DER), its time attribute certificate.
TTI_API int TTI_GetTST_TimeAttributeCert(std::uint8_t* tac, std::uint32_t* tacLength, const std::uint8_t* token,
                                         std::uint32_t length);
// The token without the attribute certificates it carries, for readers that
// know only X.509 certificates. The signature does not cover them.
TTI_API int TTI_RemoveAttrCerts(std::uint8_t* out, std::uint32_t* outLength, const std::uint8_t* token,
                                std::uint32_t length);
TTI_API int TTI_GetTAC_CertInfoEx(TtiTacInfo* info, const std::uint8_t* tac, std::uint32_t length);
// The timing attributes are not decoded here: both give TTI_E_NOT_SUPPORTED
// for a time attribute certificate, TTI_E_NO_TAC for anything else.
TTI_API int TTI_GetTAC_TimingMetrics(std::uint8_t* out, std::uint32_t* outLength, const std::uint8_t* tac,
                                     std::uint32_t length);
TTI_API int TTI_GetTAC_TimingPolicy(std::uint8_t* out, std::uint32_t* outLength, const std::uint8_t* tac,
                                    std::uint32_t length);

// Hashes: Init makes a context, Update feeds it, Final writes the digest and
// releases the context (a length query or a short buffer keeps it). A
// context goes only to the functions of its own algorithm.
#define TTI_DECLARE_HASH(NAME)                                                                         \
    TTI_API int TTI_##NAME##_Init(TtiHash** context);                                                  \
    TTI_API int TTI_##NAME##_Update(TtiHash* context, const std::uint8_t* data, std::uint32_t length); \
    TTI_API int TTI_##NAME##_Final(TtiHash* context, std::uint8_t* digest, std::uint32_t* digestLength);
TTI_DECLARE_HASH(SHA1)
TTI_DECLARE_HASH(SHA256)
TTI_DECLARE_HASH(SHA384)
TTI_DECLARE_HASH(SHA512)
TTI_DECLARE_HASH(MD5)
#undef TTI_DECLARE_HASH

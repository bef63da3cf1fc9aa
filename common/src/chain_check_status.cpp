// chain_check_status.cpp: a chain's trust status as text for the log and as
// an error number for the caller.
#include <array>
#include <utility>

#include "common/cryptoapi.h"
#include "win32/crypt_chain.h"

namespace {

struct NamedBit {
    DWORD bit;
    const char* text;
};

// In the order the texts are written, which is not the order of the bits.
constexpr std::array kErrorBits{
    NamedBit{CERT_TRUST_IS_NOT_TIME_VALID, " CERT_TRUST_IS_NOT_TIME_VALID"},
    NamedBit{CERT_TRUST_IS_NOT_TIME_NESTED, " CERT_TRUST_IS_NOT_TIME_NESTED"},
    NamedBit{CERT_TRUST_IS_REVOKED, " CERT_TRUST_IS_REVOKED"},
    NamedBit{CERT_TRUST_IS_NOT_SIGNATURE_VALID, " CERT_TRUST_IS_NOT_SIGNATURE_VALID"},
    NamedBit{CERT_TRUST_IS_NOT_VALID_FOR_USAGE, " CERT_TRUST_IS_NOT_VALID_FOR_USAGE"},
    NamedBit{CERT_TRUST_IS_UNTRUSTED_ROOT, " CERT_TRUST_IS_UNTRUSTED_ROOT"},
    NamedBit{CERT_TRUST_REVOCATION_STATUS_UNKNOWN, " CERT_TRUST_REVOCATION_STATUS_UNKNOWN"},
    NamedBit{CERT_TRUST_IS_CYCLIC, " CERT_TRUST_IS_CYCLIC"},
    NamedBit{CERT_TRUST_INVALID_EXTENSION, " CERT_TRUST_INVALID_EXTENSION"},
    NamedBit{CERT_TRUST_INVALID_POLICY_CONSTRAINTS, " CERT_TRUST_INVALID_POLICY_CONSTRAINTS"},
    NamedBit{CERT_TRUST_INVALID_BASIC_CONSTRAINTS, " CERT_TRUST_INVALID_BASIC_CONSTRAINTS"},
    NamedBit{CERT_TRUST_INVALID_NAME_CONSTRAINTS, " CERT_TRUST_INVALID_NAME_CONSTRAINTS"},
    NamedBit{CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT, " CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT"},
    NamedBit{CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT, " CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT"},
    NamedBit{CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT, " CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT"},
    NamedBit{CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT, " CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT"},
    NamedBit{CERT_TRUST_IS_OFFLINE_REVOCATION, " CERT_TRUST_IS_OFFLINE_REVOCATION"},
    NamedBit{CERT_TRUST_NO_ISSUANCE_CHAIN_POLICY, " CERT_TRUST_NO_ISSUANCE_CHAIN_POLICY"},
    NamedBit{CERT_TRUST_IS_PARTIAL_CHAIN, " CERT_TRUST_IS_PARTIAL_CHAIN"},
    NamedBit{CERT_TRUST_CTL_IS_NOT_TIME_VALID, " CERT_TRUST_CTL_IS_NOT_TIME_VALID"},
    NamedBit{CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID, " CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID"},
    NamedBit{CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE, " CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE"},
};

constexpr std::array kInfoBits{
    NamedBit{CERT_TRUST_HAS_EXACT_MATCH_ISSUER, " CERT_TRUST_HAS_EXACT_MATCH_ISSUER"},
    NamedBit{CERT_TRUST_HAS_KEY_MATCH_ISSUER, " CERT_TRUST_HAS_KEY_MATCH_ISSUER"},
    NamedBit{CERT_TRUST_HAS_NAME_MATCH_ISSUER, " CERT_TRUST_HAS_NAME_MATCH_ISSUER"},
    NamedBit{CERT_TRUST_IS_SELF_SIGNED, " CERT_TRUST_IS_SELF_SIGNED"},
    NamedBit{CERT_TRUST_IS_COMPLEX_CHAIN, " CERT_TRUST_IS_COMPLEX_CHAIN"},
    NamedBit{CERT_TRUST_HAS_PREFERRED_ISSUER, " CERT_TRUST_HAS_PREFERRED_ISSUER"},
    NamedBit{CERT_TRUST_HAS_ISSUANCE_CHAIN_POLICY, " CERT_TRUST_HAS_ISSUANCE_CHAIN_POLICY"},
    NamedBit{CERT_TRUST_HAS_VALID_NAME_CONSTRAINTS, " CERT_TRUST_HAS_VALID_NAME_CONSTRAINTS"},
};

// The first row whose bit is set decides: a chain that is not complete
// says more than the validity of the certificates it holds.
constexpr std::array<std::pair<DWORD, DWORD>, 12> kErrorNumbers{{
    {CERT_TRUST_IS_PARTIAL_CHAIN, 1010},
    {CERT_TRUST_CTL_IS_NOT_TIME_VALID, 1011},
    {CERT_TRUST_CTL_IS_NOT_SIGNATURE_VALID, 1012},
    {CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE, 1013},
    {CERT_TRUST_IS_NOT_TIME_VALID, 1002},
    {CERT_TRUST_IS_NOT_TIME_NESTED, 1003},
    {CERT_TRUST_IS_REVOKED, 1004},
    {CERT_TRUST_IS_NOT_SIGNATURE_VALID, 1005},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, 1006},
    {CERT_TRUST_IS_UNTRUSTED_ROOT, 1007},
    {CERT_TRUST_REVOCATION_STATUS_UNKNOWN, 1008},
    {CERT_TRUST_IS_CYCLIC, 1009},
}};
constexpr DWORD kErrChainVerification = 1001;  // "Certificate chain verification error."

template <std::size_t N>
void AppendNames(const std::array<NamedBit, N>& names, DWORD status, std::string& out) {
    for (const NamedBit& name : names)
        if (status & name.bit) out += name.text;
}

}  // namespace

std::string TCryptoapi::TrustStatusText(DWORD errorStatus, DWORD infoStatus) {
    std::string text;
    if (errorStatus == CERT_TRUST_NO_ERROR)
        text = " CERT_TRUST_NO_ERROR";
    else
        AppendNames(kErrorBits, errorStatus, text);
    AppendNames(kInfoBits, infoStatus, text);
    return text;
}

DWORD TCryptoapi::ChainStatusToError(DWORD errorStatus) {
    if (errorStatus == CERT_TRUST_NO_ERROR) return 0;
    for (const auto& [bit, number] : kErrorNumbers)
        if (errorStatus & bit) return number;
    return kErrChainVerification;
}

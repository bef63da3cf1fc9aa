// chain_check.cpp: the chain check of a certificate with the errors its
// flags overlook, and the chain of a record as description records.
#include <memory>

#include "common/cert_context.h"
#include "common/chain_check.h"
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/owned_context.h"
#include "win32/crypt_chain.h"
#include "win32/crypt_names.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace {

struct FreeChain {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const noexcept { CertFreeCertificateChain(chain); }
};
using OwnedChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, FreeChain>;

bool WithRevocation(DWORD flags) { return (flags & kCheckChain) && (flags & kCheckRevocation); }

// With both chain bits every error counts; with the chain bit alone an
// unknown revocation status does not; otherwise neither does a chain that
// ends short of a root or in an untrusted one.
DWORD OverlookedErrors(DWORD flags) {
    if (WithRevocation(flags)) return 0;
    if (flags & kCheckChain) return CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
    return CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_REVOCATION_STATUS_UNKNOWN;
}

// The most telling system error for a chain that failed, for callers that
// read the thread's last error.
DWORD LastErrorOf(DWORD errorStatus) {
    if (errorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT) return static_cast<DWORD>(SEC_E_UNTRUSTED_ROOT);
    if (errorStatus & (CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED))
        return static_cast<DWORD>(SEC_E_CERT_EXPIRED);
    if (errorStatus & CERT_TRUST_IS_REVOKED) return static_cast<DWORD>(CRYPT_E_REVOKED);
    if (errorStatus & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return static_cast<DWORD>(TRUST_E_CERT_SIGNATURE);
    return static_cast<DWORD>(SEC_E_CERT_UNKNOWN);
}

std::string SubjectName(PCCERT_CONTEXT context) {
    CERT_NAME_BLOB subject = context->pCertInfo->Subject;
    const DWORD size = CertNameToStrA(X509_ASN_ENCODING, &subject, CERT_X500_NAME_STR, nullptr, 0);
    if (size == 0) return {};
    std::string text(size, '\0');
    if (CertNameToStrA(X509_ASN_ENCODING, &subject, CERT_X500_NAME_STR, text.data(), size) == 0) return {};
    text.resize(size - 1);
    return text;
}

void LogChain(PCCERT_CONTEXT context, const FILETIME* checkTime, DWORD errorStatus, DWORD infoStatus, bool passed) {
    const DWORD level = passed ? sgLogLevelDebug : sgLogLevelWarns;
    const std::string name = SubjectName(context);
    const std::string status = TCryptoapi::TrustStatusText(errorStatus, infoStatus);
    TLogStrVect* log = TLogStrVect::Instance();
    SYSTEMTIME time{};
    if (checkTime && FileTimeToSystemTime(checkTime, &time))
        log->Print(level, "CertGetCertificateChain():DN '%s', time: %u:%u:%u %u.%u.%u UTC, status:0x%x, %s",
                   name.c_str(), time.wHour, time.wMinute, time.wSecond, time.wDay, time.wMonth, time.wYear,
                   errorStatus, status.c_str());
    else
        log->Print(level, "CertGetCertificateChain():DN '%s', status:0x%x, %s", name.c_str(), errorStatus,
                   status.c_str());
}

OwnedChain ChainOf(PCCERT_CONTEXT context, const FILETIME* checkTime, HCERTSTORE additionalStore, DWORD chainFlags) {
    FILETIME time{};
    if (checkTime) time = *checkTime;
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(HCCE_CURRENT_USER, context, checkTime ? &time : nullptr, additionalStore, &parameters,
                                 chainFlags, nullptr, &chain))
        return nullptr;
    return OwnedChain(chain);
}

}  // namespace

DWORD TCryptoapi::CheckChain(PCCERT_CONTEXT context, DWORD flags, HCERTSTORE additionalStore, DWORD* errorStatus,
                             DWORD* infoStatus, const FILETIME* checkTime) {
    const OwnedChain chain = ChainOf(context, checkTime, additionalStore,
                                     WithRevocation(flags) ? CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT : 0);
    if (!chain) return 0;
    const DWORD info = chain->TrustStatus.dwInfoStatus;
    const DWORD errors = chain->rgpChain[0]->TrustStatus.dwErrorStatus;
    const DWORD masked = errors & ~OverlookedErrors(flags);
    LogChain(context, checkTime, errors, info, masked == 0);
    if (errorStatus) *errorStatus = masked;
    if (infoStatus) *infoStatus = info;
    if (masked) SetLastError(LastErrorOf(masked));
    return masked == 0 ? 1 : 0;
}

DWORD TCryptoapi::CheckCertificate(const CertInfo& record, DWORD flags, DWORD* errorStatus, DWORD* infoStatus,
                                   const FILETIME* checkTime) {
    const OwnedCertContext context(CertContextFromInfo(record));
    if (!context) return 0;
    return CheckChain(context.get(), flags, context->hCertStore, errorStatus, infoStatus, checkTime);
}

DWORD TCryptoapi::CheckCertificateChain(const CertInfo& record, std::vector<CertInfo>& out, DWORD first) {
    const OwnedCertContext context(CertContextFromInfo(record));
    if (!context) return 0;
    const OwnedChain chain = ChainOf(context.get(), nullptr, context->hCertStore, 0);
    if (!chain) return 0;
    for (DWORD c = 0; c < chain->cChain; ++c) {
        const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[c];
        for (DWORD e = first; e < simple.cElement; ++e) {
            CertInfo element;
            if (!GetCertInfo(simple.rgpElement[e]->pCertContext, element)) return 0;
            out.push_back(std::move(element));
        }
    }
    return 1;
}

bool ChainRootOf(PCCERT_CONTEXT context, HCERTSTORE additionalStore, const FILETIME* checkTime, CertInfo& out) {
    const OwnedChain chain = ChainOf(context, checkTime, additionalStore, 0);
    if (!chain || chain->cChain == 0) return false;
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    if (simple.cElement == 0) return false;
    return TCryptoapi::GetCertInfo(simple.rgpElement[simple.cElement - 1]->pCertContext, out) != 0;
}

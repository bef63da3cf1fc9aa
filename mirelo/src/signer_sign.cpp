// The signing core: a document signed with the preset certificate into a
// CMS message (attached or detached, with the attributes, certificates and
// time stamp the job and the loaded policy ask for), encrypted for the
// recipient, or both, as binary DER or Base64 text.
#include <optional>
#include <string>
#include <vector>

#include "common/base64.h"
#include "common/cms_sign.h"
#include "common/cryptoapi.h"
#include "common/pem.h"
#include "common/sign_policy_decoder.h"
#include "common/sign_policy_validator.h"
#include "sign_job.h"
#include "signer.h"
#include "signer_algorithms.h"
#include "signer_errors.h"
#include "signer_services.h"

namespace {

constexpr LONG kAuthenticationKind = 0;
constexpr LONG kSignatureKind = 1;
constexpr LONG kExchangeKind = 2;
constexpr LONG kRecipientKind = 3;

constexpr DWORD kHashGroup = 1;
constexpr DWORD kEncryptGroup = 2;

// What the policy demands to travel in the message: 0 nothing, 1 the
// signer's certificate, 3 its full certification path.
DWORD PolicyCertificateDemand(const SignPolicyInfo& policy) {
    TSignPolicyValidator validator(policy);
    validator.AddSignerCertInfoRule(kCertSignerOnly);
    if (validator.ValidateFirst()) return 1;
    validator.AddSignerCertInfoRule(kCertFullPath);
    if (validator.ValidateLast()) return 3;
    return 0;
}

// The digest of the chosen row when the system knows it; with none chosen,
// the digest of the certificate's own signature, SHA-1 for one unknown.
std::string SigningHashOid(LONG hashRow, const CertInfo& signer) {
    if (hashRow == kNoHashAlgorithm) return TCryptoapi::CheckHashAlgOid(signer.hashAlgOid, 1);
    const TSignerAlg* row = FindAlgByNumber(hashRow);
    if (!row) return {};
    const std::string oid = TCryptoapi::AlgIdToOid(row->algId, kHashGroup);
    return oid.empty() ? oid : TCryptoapi::CheckHashAlgOid(oid, 0);
}

DWORD CmsFlags(DWORD signOptions) {
    DWORD flags = 0;
    if (signOptions & kOptionDetached) flags |= kSignDetached;
    if (signOptions & kOptionSigningTime) flags |= kSignSigningTime;
    if (signOptions & kOptionSigningCert) flags |= kSignSigningCert;
    if (signOptions & kOptionSigningCertV2) flags |= kSignSigningCertV2;
    return flags;
}

// Replaces bytes with their Base64 text in 72-character lines ended by CR
// LF; false when it cannot be made.
bool ToBase64Text(std::vector<BYTE>& bytes) {
    std::string text;
    if (!Base64ConvertVector(bytes, text, BASE64_ENCODE)) return false;
    bytes.assign(text.begin(), text.end());
    return true;
}

}  // namespace

DWORD TSigner::SignData(SignJob& job, const std::vector<BYTE>& document, std::vector<BYTE>& result) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    std::vector<BYTE> made;
    const auto finish = [&](DWORD outcome) {
        if (outcome == 0) result.swap(made);
        Record(static_cast<LONG>(outcome));
        return outcome;
    };

    if (document.empty()) return finish(static_cast<DWORD>(kErrBadValue));
    if (!HasGraphicalInterface()) return finish(kErrNoGraphicalInterface);

    std::optional<SignPolicyInfo> policy;
    DWORD demand = 0;
    if (IsSignPolicy()) {
        policy.emplace();
        if (!DecodeSignPolicyBuffer(m_signPolicy.data(), static_cast<DWORD>(m_signPolicy.size()), *policy))
            return finish(static_cast<DWORD>(kErrPolicyUnusable));
        if (!ValidateSignPolicy(*policy)) return finish(kErrPolicyNotTimeValid);
        demand = PolicyCertificateDemand(*policy);
    }
    std::vector<BYTE> content = document;

    if (!job.confirmed && !(job.signOptions & kOptionNoConfirmation)) {
        // 0 only with the user's Yes, or where no question is asked.
        if (const DWORD confirmation = ConfirmSignJob(job)) return finish(confirmation);
    }

    const bool signing = (job.operation & (kSignWithAuthenticationCert | kSignWithSignatureCert)) != 0;
    const bool encrypting = (job.operation & kEncryptForRecipient) != 0;
    CertInfo signer;
    std::vector<CertInfo> included;
    if (signing) {
        const bool authentication = (job.operation & kSignWithAuthenticationCert) != 0;
        if (!GetCertificate(authentication ? kAuthenticationKind : kSignatureKind, signer, false))
            return finish(authentication ? kErrAuthCertNotSet : kErrSignCertNotSet);
        if (!ValidateSignCert(signer)) return finish(kErrPolicyRejectsCert);
        if (demand != 0 || job.certInclusion != 0) included.push_back(signer);
        if (demand == 3 || job.certInclusion == 3 || job.certInclusion == 4) {
            if (!BuildCertificateChain(signer, included, 1)) return finish(kErrChainNotSet);
        }
        if (job.certInclusion == 2 || job.certInclusion == 4) {
            CertInfo exchange;
            if (!GetCertificate(kExchangeKind, exchange, false)) return finish(kErrExchangeCertNotSet);
            included.push_back(exchange);
        }
        if (m_certSelFlags & static_cast<LONG>(sgCertSSCDOnly)) {
            if (const DWORD refused = CheckSscd(job, signer)) return finish(refused);
        }
    }
    CertInfo recipient;
    if (encrypting && !GetCertificate(kRecipientKind, recipient, false)) return finish(kErrRecipientCertNotSet);

    const bool text = !(job.signOptions & kOptionBinaryOutput);
    if (signing) {
        const std::string hashOid = SigningHashOid(GetHashAlgorithmType(), signer);
        if (hashOid.empty()) return finish(static_cast<DWORD>(kErrHashNotSupported));
        DWORD flags = CmsFlags(job.signOptions);
        if (job.signFlags & kSignUnderPolicy) {
            if (!policy) return finish(static_cast<DWORD>(kErrPolicyUnusable));
            flags |= kSignPolicyId;
        }
        const SignPolicyInfo* rules = policy ? &*policy : nullptr;
        if (const DWORD signedOutcome =
                TCryptoapi::SignBufferWithCert(signer, included, hashOid, flags, content, made, rules))
            return finish(signedOutcome);
        if (job.signFlags & kSignWithTimeStamp) {
            std::vector<BYTE> stamped;
            if (const LONG stampOutcome = AddTimeStamp(0, made, stamped)) return finish(static_cast<DWORD>(stampOutcome));
            made.swap(stamped);
        }
        if (text && !ToBase64Text(made)) return finish(static_cast<DWORD>(kErrBase64));
        // The signed message is what gets encrypted.
        if (encrypting) content = made;
    }
    if (encrypting) {
        const TSignerAlg* row = FindAlgByNumber(GetEncryptionAlgorithm());
        const std::string oid = row ? TCryptoapi::AlgIdToOid(row->algId, kEncryptGroup) : std::string();
        if (oid.empty()) return finish(kErrEncryptionAlgorithm);
        made.clear();
        if (const DWORD encrypted = m_csp.EncryptBufferForCert(oid, recipient, content, made)) return finish(encrypted);
        if (text && !ToBase64Text(made)) return finish(static_cast<DWORD>(kErrBase64));
    }
    return finish(0);
}

// TSignPolicyValidator: a copy of a decoded policy and the rules a signing
// or checking step adds, run in the order they were added.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/cert_info.h"
#include "common/sign_policy.h"
#include "common/sign_policy_rules.h"
#include "win32/types.h"

class TSignPolicyValidator {
public:
    explicit TSignPolicyValidator(const SignPolicyInfo& policy);
    virtual ~TSignPolicyValidator();
    TSignPolicyValidator(const TSignPolicyValidator&) = delete;
    TSignPolicyValidator& operator=(const TSignPolicyValidator&) = delete;

    // Deletes every rule; 1.
    DWORD ClearRules();

    // Each appends one rule holding copies of its arguments: 1, or 0 when
    // the rule cannot be made.
    DWORD AddSignerTypeRule(DWORD external);
    DWORD AddSignerAttrRule(const std::string& oid, DWORD kind);
    DWORD AddSignerAttrsRule(const std::vector<std::string>& signedOids, const std::vector<std::string>& unsignedOids);
    DWORD AddSignerCertRefRule(DWORD reference);
    DWORD AddSignerCertInfoRule(DWORD info);
    DWORD AddSignerAlgRule(const std::string& oid, DWORD keyLength);
    DWORD AddCertRootRule(DWORD kind, const CertInfo& root, const FILETIME& time);
    DWORD AddCertAlgRule(DWORD kind, const CertInfo& certificate);
    DWORD AddCertPolicyRule(DWORD kind, const std::vector<CertInfo>& chain);

    // 1 when every rule passes (or there is none); 0 at the first that
    // fails, the later ones not run.
    DWORD Validate() const;
    // Only the first, or only the last, rule; 1 when there is none.
    DWORD ValidateFirst() const;
    DWORD ValidateLast() const;

private:
    template <class Rule, class... Args>
    DWORD Add(const Args&... args);

    SignPolicyInfo m_policy;
    std::vector<std::unique_ptr<TSignValidationRule>> m_rules;
};

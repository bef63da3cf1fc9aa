// sign_policy_validator.cpp: the validator's rule list and its runs.
#include "common/sign_policy_validator.h"

#include <new>

TSignPolicyValidator::TSignPolicyValidator(const SignPolicyInfo& policy) : m_policy(policy) {}

TSignPolicyValidator::~TSignPolicyValidator() = default;

DWORD TSignPolicyValidator::ClearRules() {
    m_rules.clear();
    return 1;
}

template <class Rule, class... Args>
DWORD TSignPolicyValidator::Add(const Args&... args) {
    try {
        m_rules.push_back(std::make_unique<Rule>(args...));
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

DWORD TSignPolicyValidator::AddSignerTypeRule(DWORD external) { return Add<TSignerTypeCommonRule>(external); }

DWORD TSignPolicyValidator::AddSignerAttrRule(const std::string& oid, DWORD kind) {
    return Add<TSignerAttrCommonRule>(oid, kind);
}

DWORD TSignPolicyValidator::AddSignerAttrsRule(const std::vector<std::string>& signedOids,
                                               const std::vector<std::string>& unsignedOids) {
    return Add<TSignerAttrsCommonRule>(signedOids, unsignedOids);
}

DWORD TSignPolicyValidator::AddSignerCertRefRule(DWORD reference) { return Add<TSignerCertRefCommonRule>(reference); }

DWORD TSignPolicyValidator::AddSignerCertInfoRule(DWORD info) { return Add<TSignerCertInfoCommonRule>(info); }

DWORD TSignPolicyValidator::AddSignerAlgRule(const std::string& oid, DWORD keyLength) {
    return Add<TSignerAlgCommonRule>(oid, keyLength);
}

DWORD TSignPolicyValidator::AddCertRootRule(DWORD kind, const CertInfo& root, const FILETIME& time) {
    return Add<TCertRootCommonRule>(kind, root, time);
}

DWORD TSignPolicyValidator::AddCertAlgRule(DWORD kind, const CertInfo& certificate) {
    return Add<TCertAlgCommonRule>(kind, certificate);
}

DWORD TSignPolicyValidator::AddCertPolicyRule(DWORD kind, const std::vector<CertInfo>& chain) {
    return Add<TCertPolicyCommonRule>(kind, chain);
}

DWORD TSignPolicyValidator::Validate() const {
    for (const auto& rule : m_rules)
        if (!rule->Validate(m_policy)) return 0;
    return 1;
}

DWORD TSignPolicyValidator::ValidateFirst() const { return m_rules.empty() ? 1 : m_rules.front()->Validate(m_policy); }

DWORD TSignPolicyValidator::ValidateLast() const { return m_rules.empty() ? 1 : m_rules.back()->Validate(m_policy); }

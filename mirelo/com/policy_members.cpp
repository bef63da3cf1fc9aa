// The members of ISignerKyd over the signer's signature policy.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SetSignPolicyFile(BSTR bstrFileName) {
    return RunOperation(OnNames(m_signer, [&] { return m_signer.SetSignPolicyFile(NameOf(bstrFileName)); }));
}

HRESULT CSignerKyd::GetSignPolicyValue(sgSignPolicyValTypes lValType, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) {
        return m_signer.GetSignPolicyValue(static_cast<LONG>(lValType), text);
    });
}

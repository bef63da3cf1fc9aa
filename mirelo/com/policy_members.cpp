// The members of ISignerKyd over the signer's signature policy.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SetSignPolicyFile(BSTR bstrFileName) {
    return RunOperation([&] { return m_signer.SetSignPolicyFile(NarrowOf(bstrFileName)); });
}

HRESULT CSignerKyd::GetSignPolicyValue(sgSignPolicyValTypes lValType, BSTR* pVal) {
    return RunTextOperation(pVal, [&](std::string& text) {
        return m_signer.GetSignPolicyValue(static_cast<LONG>(lValType), text);
    });
}

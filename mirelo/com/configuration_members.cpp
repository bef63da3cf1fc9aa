// The members of ISignerKyd over the signer's signed configuration and
// trusted list.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SetConfiguration(BSTR bstrCfg) {
    return RunOperation([&] { return m_signer.SetConfiguration(NarrowOf(bstrCfg)); });
}

HRESULT CSignerKyd::SetTrustedListFile(BSTR bstrFile) {
    return RunOperation(OnNames(m_signer, [&] { return m_signer.SetTrustedListFile(NameOf(bstrFile)); }));
}

// The members of ISignerKyd over the signer's document plug-ins.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::LoadAllPlugins(BSTR bstrSearchPath, BSTR bstrMask) {
    return RunOperation(
        OnNames(m_signer, [&] { return m_signer.LoadAllPlugins(NameOf(bstrSearchPath), MaskOf(bstrMask)); }));
}

HRESULT CSignerKyd::UnloadAllPlugins() {
    return RunOperation([&] { return m_signer.UnloadAllPlugins(); });
}

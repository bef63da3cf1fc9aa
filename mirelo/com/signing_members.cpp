// The members of ISignerKyd that sign a document into a container.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SignFileToFile(BSTR bstrFile, BSTR bstrKydFile, BSTR bstrContentType) {
    return RunOperation(OnNames(m_signer, [&] {
        return m_signer.SignFileToFile(NameOf(bstrFile), NameOf(bstrKydFile), NarrowOf(bstrContentType));
    }));
}

HRESULT CSignerKyd::SignAddSignerToFile(BSTR bstrKydFile) {
    return RunOperation(OnNames(m_signer, [&] { return m_signer.SignAddSignerToFile(NameOf(bstrKydFile)); }));
}

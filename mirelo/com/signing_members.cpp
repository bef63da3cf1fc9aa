// The members of ISignerKyd that sign a document into a container.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SignFileToFile(BSTR bstrFile, BSTR bstrKydFile, BSTR bstrContentType) {
    return RunOperation([&] {
        return m_signer.SignFileToFile(NarrowOf(bstrFile), NarrowOf(bstrKydFile), NarrowOf(bstrContentType));
    });
}

HRESULT CSignerKyd::SignAddSignerToFile(BSTR bstrKydFile) {
    return RunOperation([&] { return m_signer.SignAddSignerToFile(NarrowOf(bstrKydFile)); });
}

// CPentak's members over the session's client of the outside HSM engine.
#include <string>

#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"

using pentak::codeOf;
using pentak::giveText;
using pentak::textOf;

HRESULT CPentak::HsmEngine_Init(BSTR url, BSTR device, LONG comport) {
    return codeOf([&] { return CEnroll::HsmEngine_Init(textOf(url), textOf(device), comport); });
}

HRESULT CPentak::HsmEngine_TestConnection() {
    return codeOf([&] { return CEnroll::HsmEngine_TestConnection(); });
}

HRESULT CPentak::HsmEngine_GetRootList(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    std::u16string rootList;
    const HRESULT hr = codeOf([&] { return CEnroll::HsmEngine_GetRootList(rootList); });
    return FAILED(hr) ? hr : giveText(rootList, pVal);
}

HRESULT CPentak::HsmEngine_WriteRoot(BSTR certfilename) {
    return codeOf([&] { return CEnroll::HsmEngine_WriteRoot(textOf(certfilename)); });
}

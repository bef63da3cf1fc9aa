// CPentak's members over the session's client of the outside HSM engine.
#include <string>

#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::codeOf;
using pentak::textOf;

HRESULT CPentak::HsmEngine_Init(BSTR url, BSTR device, LONG comport) {
    return codeOf([&] { return CEnroll::HsmEngine_Init(textOf(url), textOf(device), comport); });
}

HRESULT CPentak::HsmEngine_TestConnection() {
    return codeOf([&] { return CEnroll::HsmEngine_TestConnection(); });
}

HRESULT CPentak::HsmEngine_GetRootList(BSTR* pVal) {
    return codeGivingText(pVal, [&](std::u16string& rootList) { return CEnroll::HsmEngine_GetRootList(rootList); });
}

HRESULT CPentak::HsmEngine_WriteRoot(BSTR certfilename) {
    return codeOf([&] { return CEnroll::HsmEngine_WriteRoot(textOf(certfilename)); });
}

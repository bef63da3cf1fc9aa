// CPentak's members over the providers: choosing one by its place in the
// list, and what the session's provider is and can do.
#include "automation_text.h"
#include "pentak_class.h"
#include "result_rules.h"
#include "text_results.h"

using pentak::codeGivingText;
using pentak::codeOf;
using pentak::flagOf;
using pentak::giveText;

HRESULT CPentak::EnumProviders(LONG index) {
    return flagOf([&] { return CEnroll::EnumProviders(index); });
}

HRESULT CPentak::GetDefaultOSCSP(BSTR* bstrCSP) {
    return codeGivingText(bstrCSP, [&](std::u16string& provider) { return CEnroll::GetDefaultOSCSP(provider); });
}

// The caller gets a text also when the version cannot be read: "N/A",
// beside the failure.
HRESULT CPentak::get_ProviderVersion(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    std::u16string version = u"N/A";
    const HRESULT hr = codeOf([&] { return GetProviderVersion(version); });
    const HRESULT given = giveText(version, pVal);
    return FAILED(hr) ? hr : given;
}

HRESULT CPentak::IsKeylenSupported(LONG keylenBits) {
    return codeOf([&] { return CEnroll::IsKeylenSupported(static_cast<DWORD>(keylenBits)); });
}

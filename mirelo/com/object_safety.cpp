// IObjectSafety of the SignerKyd object: it declares itself safe for
// untrusted callers and data on each interface it answers, and keeps the
// options a host enables.
#include "platform/com/ptr.h"
#include "signer_kyd_class.h"

namespace {

constexpr DWORD kSupportedOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

}  // namespace

HRESULT CSignerKyd::GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) {
    if (!pdwSupportedOptions || !pdwEnabledOptions) return E_POINTER;
    platform::com::Ptr<IUnknown> answered;
    if (const HRESULT hr = QueryInterface(riid, answered.putVoid()); FAILED(hr)) {
        *pdwSupportedOptions = 0;
        *pdwEnabledOptions = 0;
        return hr;
    }
    *pdwSupportedOptions = kSupportedOptions;
    *pdwEnabledOptions = m_safetyOptions;
    return S_OK;
}

HRESULT CSignerKyd::SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) {
    platform::com::Ptr<IUnknown> answered;
    if (FAILED(QueryInterface(riid, answered.putVoid()))) return E_NOINTERFACE;
    if (dwOptionSetMask & ~kSupportedOptions) return E_FAIL;
    m_safetyOptions = (m_safetyOptions & ~dwOptionSetMask) | (dwEnabledOptions & dwOptionSetMask);
    return S_OK;
}

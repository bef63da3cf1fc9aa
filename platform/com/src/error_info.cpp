// Error info: the object CreateErrorInfo makes, and the one error info each
// thread holds.
#include <string>

#include "platform/boundary.h"
#include "platform/com/ptr.h"
#include "ref_counted.h"
#include "runtime.h"

namespace {

using platform::com::Ptr;

class ErrorInfo final : public platform::com::RefCounted<IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT GetGUID(GUID* pGUID) override {
        if (!pGUID) return E_INVALIDARG;
        *pGUID = m_guid;
        return S_OK;
    }
    HRESULT GetSource(BSTR* out) override { return give(m_source, out); }
    HRESULT GetDescription(BSTR* out) override { return give(m_description, out); }
    HRESULT GetHelpFile(BSTR* out) override { return give(m_helpFile, out); }
    HRESULT GetHelpContext(DWORD* out) override {
        if (!out) return E_INVALIDARG;
        *out = m_helpContext;
        return S_OK;
    }

    HRESULT SetGUID(const GUID& guid) override {
        m_guid = guid;
        return S_OK;
    }
    HRESULT SetSource(LPOLESTR text) override { return keep(m_source, text); }
    HRESULT SetDescription(LPOLESTR text) override { return keep(m_description, text); }
    HRESULT SetHelpFile(LPOLESTR text) override { return keep(m_helpFile, text); }
    HRESULT SetHelpContext(DWORD context) override {
        m_helpContext = context;
        return S_OK;
    }

private:
    static HRESULT give(const std::u16string& text, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT keep(std::u16string& field, LPOLESTR text) {
        return platform::winHr([&] {
            field = text ? text : u"";
            return S_OK;
        });
    }

    GUID m_guid = GUID_NULL;
    std::u16string m_source;
    std::u16string m_description;
    std::u16string m_helpFile;
    DWORD m_helpContext = 0;
};

thread_local Ptr<IErrorInfo> t_errorInfo;

}  // namespace

namespace platform::com::own {

HRESULT setErrorInfo(IErrorInfo* info) noexcept {
    t_errorInfo = Ptr<IErrorInfo>::share(info);
    return S_OK;
}

HRESULT getErrorInfo(IErrorInfo** info) noexcept {
    *info = t_errorInfo.detach();
    return *info ? S_OK : S_FALSE;
}

void clearErrorInfo() noexcept { t_errorInfo.reset(); }

HRESULT createErrorInfo(ICreateErrorInfo** info) noexcept {
    return winHr([&] {
        *info = new ErrorInfo();
        return S_OK;
    });
}

}  // namespace platform::com::own

HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) noexcept {
    if (dwReserved != 0) return E_INVALIDARG;
    return platform::com::runtime().setErrorInfo(perrinfo);
}

HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) noexcept {
    if (dwReserved != 0 || !pperrinfo) return E_INVALIDARG;
    return platform::com::runtime().getErrorInfo(pperrinfo);
}

HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo) noexcept {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = nullptr;
    return platform::com::runtime().createErrorInfo(pperrinfo);
}

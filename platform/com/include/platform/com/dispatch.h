// The IDispatch half of a dual interface, answered from the interface's
// type information in the module's own type library (resource TYPELIB 1):
// names resolve without regard to case, and Invoke calls the object's own
// vtable functions with the arguments coerced to their declared types.
// A member that fails gives DISP_E_EXCEPTION; the EXCEPINFO carries the
// thread's error info when the object supports ISupportErrorInfo for the
// interface, else the member's HRESULT in scode.
#pragma once

#include "platform/com/interface_id.h"
#include "platform/com/ptr.h"

namespace platform::com {

// The type information of an interface described in this module's type
// library, loaded once per module.
HRESULT moduleTypeInfo(const IID& iid, ITypeInfo** info) noexcept;

template <class Interface>
class Dispatch : public Interface {
public:
    using Implemented = Interface;

    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 1;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        if (!ppTInfo) return E_POINTER;
        *ppTInfo = nullptr;
        if (iTInfo != 0) return DISP_E_BADINDEX;
        return moduleTypeInfo(InterfaceId<Interface>::value, ppTInfo);
    }
    HRESULT GetIDsOfNames(const IID& riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        Ptr<ITypeInfo> info;
        if (const HRESULT hr = moduleTypeInfo(InterfaceId<Interface>::value, info.put()); FAILED(hr)) return hr;
        return DispGetIDsOfNames(info.get(), rgszNames, cNames, rgDispId);
    }
    HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        Ptr<ITypeInfo> info;
        if (const HRESULT hr = moduleTypeInfo(InterfaceId<Interface>::value, info.put()); FAILED(hr)) return hr;
        return DispInvoke(static_cast<Interface*>(this), info.get(), dispIdMember, wFlags, pDispParams, pVarResult,
                          pExcepInfo, puArgErr);
    }
};

}  // namespace platform::com

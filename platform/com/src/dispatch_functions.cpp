// DispGetIDsOfNames and DispInvoke: IDispatch answered by type information.
#include "win32/oleauto.h"

HRESULT DispGetIDsOfNames(ITypeInfo* ptinfo, LPOLESTR* rgszNames, UINT cNames, DISPID* rgdispid) noexcept {
    if (!ptinfo) return E_INVALIDARG;
    return ptinfo->GetIDsOfNames(rgszNames, cNames, rgdispid);
}

HRESULT DispInvoke(void* _this, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                   VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) noexcept {
    if (!ptinfo) return E_INVALIDARG;
    // A property put has no result.
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) pvarResult = nullptr;
    return ptinfo->Invoke(_this, dispidMember, wFlags, pparams, pvarResult, pexcepinfo, puArgErr);
}

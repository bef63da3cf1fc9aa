// Variants: initialise, clear, copy.
#include <cstring>

#include "platform/boundary.h"
#include "variant_types.h"

using namespace platform::com;

namespace {

// The owned parts of src copied into dst (which holds src's bits already).
void deepen(VARIANT& dst) {
    if (dst.vt & VT_BYREF) return;
    if (dst.vt & VT_ARRAY) {
        SAFEARRAY* copy = nullptr;
        if (dst.parray) {
            const HRESULT hr = SafeArrayCopy(dst.parray, &copy);
            if (FAILED(hr)) throw platform::WinError(hr, "SafeArrayCopy");
        }
        dst.parray = copy;
        return;
    }
    switch (dst.vt) {
    case VT_BSTR:
        if (dst.bstrVal) {
            dst.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(dst.bstrVal), SysStringByteLen(dst.bstrVal));
            if (!dst.bstrVal) throw std::bad_alloc();
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (dst.punkVal) dst.punkVal->AddRef();
        break;
    default:
        break;
    }
}

HRESULT copyInto(VARIANT* dest, const VARIANT& value) {
    return platform::winHr([&] {
        VARIANT copy = value;
        deepen(copy);
        const HRESULT hr = VariantClear(dest);
        if (FAILED(hr)) {
            VariantClear(&copy);
            return hr;
        }
        *dest = copy;
        return S_OK;
    });
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) noexcept {
    if (!pvarg) return;
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) noexcept {
    if (!pvarg) return E_INVALIDARG;
    if (!isValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
    if (!(pvarg->vt & VT_BYREF)) {
        if (pvarg->vt & VT_ARRAY) {
            if (pvarg->parray) {
                const HRESULT hr = SafeArrayDestroy(pvarg->parray);
                if (FAILED(hr)) return hr;
            }
        } else if (pvarg->vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if ((pvarg->vt == VT_DISPATCH || pvarg->vt == VT_UNKNOWN) && pvarg->punkVal) {
            pvarg->punkVal->Release();
        }
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) noexcept {
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!isValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    return copyInto(pvargDest, *pvargSrc);
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) noexcept {
    if (!pvarDest || !pvargSrc) return E_INVALIDARG;
    if (!isValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
    return platform::winHr([&] { return copyInto(pvarDest, dereferenced(*pvargSrc)); });
}

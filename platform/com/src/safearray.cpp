// One-dimensional safe arrays. The descriptor is preceded by a 16-byte
// prefix whose last four bytes hold the element type (FADF_HAVEVARTYPE, as
// on Windows); the elements are a separate zeroed block. Arrays own their
// strings, variants and interface references.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/boundary.h"
#include "variant_types.h"

using namespace platform::com;

namespace {

constexpr std::size_t kPrefix = 16;

std::size_t elementSize(VARTYPE vt) {
    switch (vt) {
    case VT_UI1: case VT_I2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R8: case VT_DATE:
    case VT_BOOL: case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH:
        return valueSize(vt);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

USHORT featuresOf(VARTYPE vt) {
    switch (vt) {
    case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
    case VT_UNKNOWN: return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_HAVEVARTYPE | FADF_DISPATCH;
    default: return FADF_HAVEVARTYPE;
    }
}

BYTE* blockOf(SAFEARRAY* psa) { return reinterpret_cast<BYTE*>(psa) - kPrefix; }

VARTYPE vartypeOf(SAFEARRAY* psa) {
    VARTYPE vt = VT_EMPTY;
    std::memcpy(&vt, reinterpret_cast<BYTE*>(psa) - sizeof(DWORD), sizeof vt);
    return vt;
}

SAFEARRAY* create(VARTYPE vt, LONG lowerBound, ULONG count) {
    const std::size_t size = elementSize(vt);
    if (size == 0 || count > std::numeric_limits<std::size_t>::max() / size) return nullptr;
    auto* block = static_cast<BYTE*>(std::calloc(1, kPrefix + sizeof(SAFEARRAY)));
    if (!block) return nullptr;
    std::memcpy(block + kPrefix - sizeof(DWORD), &vt, sizeof vt);
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + kPrefix);
    psa->pvData = std::calloc(count ? count : 1, size);
    if (!psa->pvData) {
        std::free(block);
        return nullptr;
    }
    psa->cDims = 1;
    psa->fFeatures = featuresOf(vt);
    psa->cbElements = static_cast<ULONG>(size);
    psa->rgsabound[0] = {count, lowerBound};
    return psa;
}

BYTE* elementAt(SAFEARRAY* psa, ULONG i) { return static_cast<BYTE*>(psa->pvData) + std::size_t{i} * psa->cbElements; }

void releaseElement(VARTYPE vt, BYTE* element) {
    switch (vt) {
    case VT_BSTR: {
        BSTR text = nullptr;
        std::memcpy(&text, element, sizeof text);
        SysFreeString(text);
        break;
    }
    case VT_VARIANT:
        VariantClear(reinterpret_cast<VARIANT*>(element));
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown* object = nullptr;
        std::memcpy(&object, element, sizeof object);
        if (object) object->Release();
        break;
    }
    default:
        break;
    }
    std::memset(element, 0, valueSize(vt) ? valueSize(vt) : sizeof(VARIANT));
}

// A copy of the value at `from` written to `to` (which holds nothing).
HRESULT copyElement(VARTYPE vt, const void* from, BYTE* to) {
    switch (vt) {
    case VT_BSTR: {
        BSTR text = nullptr;
        std::memcpy(&text, from, sizeof text);
        BSTR copy = text ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text)) : nullptr;
        if (text && !copy) return E_OUTOFMEMORY;
        std::memcpy(to, &copy, sizeof copy);
        return S_OK;
    }
    case VT_VARIANT:
        VariantInit(reinterpret_cast<VARIANT*>(to));
        return VariantCopy(reinterpret_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown* object = nullptr;
        std::memcpy(&object, from, sizeof object);
        if (object) object->AddRef();
        std::memcpy(to, &object, sizeof object);
        return S_OK;
    }
    default:
        std::memcpy(to, from, valueSize(vt));
        return S_OK;
    }
}

// The element's position, or DISP_E_BADINDEX.
HRESULT positionOf(SAFEARRAY* psa, const LONG* indices, ULONG& position) {
    if (!psa || !indices) return E_INVALIDARG;
    const auto offset = static_cast<long long>(indices[0]) - psa->rgsabound[0].lLbound;
    if (offset < 0 || offset >= static_cast<long long>(psa->rgsabound[0].cElements)) return DISP_E_BADINDEX;
    position = static_cast<ULONG>(offset);
    return S_OK;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) noexcept {
    if (cDims != 1 || !rgsabound) return nullptr;
    return create(vt, rgsabound[0].lLbound, rgsabound[0].cElements);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) noexcept {
    return create(vt, lLbound, cElements);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) noexcept {
    if (!psa) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    const VARTYPE vt = vartypeOf(psa);
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) releaseElement(vt, elementAt(psa, i));
    std::free(psa->pvData);
    std::free(blockOf(psa));
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) noexcept {
    if (!ppsaOut) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa) return S_OK;
    const VARTYPE vt = vartypeOf(psa);
    SAFEARRAY* copy = create(vt, psa->rgsabound[0].lLbound, psa->rgsabound[0].cElements);
    if (!copy) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < psa->rgsabound[0].cElements; ++i) {
        const HRESULT hr = copyElement(vt, elementAt(psa, i), elementAt(copy, i));
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *ppsaOut = copy;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) noexcept {
    if (!psa || !ppvData) return E_INVALIDARG;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) noexcept {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) noexcept {
    if (!psa || !plLbound) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) noexcept {
    if (!psa || !plUbound) return E_INVALIDARG;
    if (nDim != 1) return DISP_E_BADINDEX;
    *plUbound = static_cast<LONG>(psa->rgsabound[0].lLbound + static_cast<long long>(psa->rgsabound[0].cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) noexcept {
    if (!psa || !pvt) return E_INVALIDARG;
    *pvt = vartypeOf(psa);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) noexcept { return psa ? psa->cDims : 0; }

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) noexcept {
    ULONG position = 0;
    if (const HRESULT hr = positionOf(psa, rgIndices, position); FAILED(hr)) return hr;
    if (!pv) return E_INVALIDARG;
    return copyElement(vartypeOf(psa), elementAt(psa, position), static_cast<BYTE*>(pv));
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) noexcept {
    ULONG position = 0;
    if (const HRESULT hr = positionOf(psa, rgIndices, position); FAILED(hr)) return hr;
    const VARTYPE vt = vartypeOf(psa);
    // Strings and interfaces are passed as themselves, other values by address.
    const bool byValue = vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH;
    if (!pv && !byValue) return E_INVALIDARG;
    alignas(VARIANT) BYTE fresh[sizeof(VARIANT)] = {};
    const HRESULT hr = copyElement(vt, byValue ? static_cast<const void*>(&pv) : pv, fresh);
    if (FAILED(hr)) return hr;
    BYTE* element = elementAt(psa, position);
    releaseElement(vt, element);
    std::memcpy(element, fresh, psa->cbElements);
    return S_OK;
}

#include "variant_types.h"

#include <cstring>

#include "platform/win_error.h"

namespace platform::com {

std::size_t valueSize(VARTYPE vt) noexcept {
    switch (vt) {
    case VT_I1: case VT_UI1:
        return 1;
    case VT_I2: case VT_UI2: case VT_BOOL:
        return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
        return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_DATE: case VT_CY:
        return 8;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
        return sizeof(void*);
    default:
        return 0;
    }
}

bool isValidVariantType(VARTYPE vt) noexcept {
    const VARTYPE base = vt & VT_TYPEMASK;
    if (vt & ~(VT_TYPEMASK | VT_BYREF | VT_ARRAY)) return false;
    if (base == VT_VARIANT) return (vt & (VT_BYREF | VT_ARRAY)) != 0;
    if (base == VT_EMPTY || base == VT_NULL) return vt == base;
    return valueSize(base) != 0;
}

VARIANT dereferenced(const VARIANT& byRef) {
    VARIANT value;
    VariantInit(&value);
    if (!byRef.byref) throw WinError(E_INVALIDARG, "a null reference in a variant");
    const VARTYPE target = byRef.vt & ~VT_BYREF;
    if (target == VT_VARIANT) return *byRef.pvarVal;
    if (target & VT_ARRAY) {
        value.vt = target;
        value.parray = *byRef.pparray;
        return value;
    }
    const std::size_t size = valueSize(target);
    if (size == 0) throw WinError(DISP_E_BADVARTYPE, "a reference of an unknown type");
    value.vt = target;
    std::memcpy(&value.llVal, byRef.byref, size);
    return value;
}

}  // namespace platform::com

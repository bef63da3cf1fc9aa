// VariantChangeType(Ex): the Automation coercions between the types
// automation clients pass. Scalars go through a double (exact for every
// 32-bit integer); integers round half to even and must fit their type.
#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/boundary.h"
#include "platform/com/ptr.h"
#include "platform/text.h"
#include "variant_text.h"
#include "variant_types.h"
#include "win32/datetime.h"

using namespace platform;
using namespace platform::com;

namespace {

// The OLE date range: 0100-01-01 to 9999-12-31 23:59:59.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.999988426;

[[noreturn]] void mismatch(const char* what) { throw WinError(DISP_E_TYPEMISMATCH, what); }
[[noreturn]] void overflow(const char* what) { throw WinError(DISP_E_OVERFLOW, what); }

bool isScalar(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY: case VT_I2: case VT_I4: case VT_UI1: case VT_UI4: case VT_INT: case VT_UINT: case VT_R8:
    case VT_DATE: case VT_BOOL: case VT_BSTR:
        return true;
    default:
        return false;
    }
}

std::u16string textOf(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

BSTR newText(std::u16string_view text) {
    BSTR out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!out) throw std::bad_alloc();
    return out;
}

std::optional<bool> namedBool(std::u16string_view text) {
    const std::u16string lower = text::toLower(text);
    if (lower == u"true" || lower == u"#true#") return true;
    if (lower == u"false" || lower == u"#false#") return false;
    return std::nullopt;
}

// The number a scalar stands for.
double numberOf(const VARIANT& v, LCID lcid, VARTYPE target) {
    switch (v.vt) {
    case VT_EMPTY: return 0;
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_UI1: return v.bVal;
    case VT_UI4: return v.ulVal;
    case VT_INT: return v.intVal;
    case VT_UINT: return v.uintVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_BOOL: return v.boolVal ? -1 : 0;
    case VT_BSTR: {
        const std::u16string text = textOf(v.bstrVal);
        if (target == VT_DATE)
            if (const auto date = parseDate(text, lcid)) return *date;
        if (const auto number = parseNumber(text, lcid)) return *number;
        if (target == VT_BOOL)
            if (const auto named = namedBool(text)) return *named ? -1 : 0;
        mismatch("the text is not a number");
    }
    default:
        mismatch("not a scalar");
    }
}

// Round half to even, as the Automation conversions do, then check the range.
template <class Integer>
Integer integerOf(double value) {
    if (std::isnan(value)) overflow("not a number");
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Integer>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Integer>::max()))
        overflow("out of the range of the type");
    return static_cast<Integer>(rounded);
}

VARIANT fromNumber(double value, VARTYPE vt) {
    VARIANT out;
    VariantInit(&out);
    switch (vt) {
    case VT_I2: out.iVal = integerOf<SHORT>(value); break;
    case VT_I4: out.lVal = integerOf<LONG>(value); break;
    case VT_UI1: out.bVal = integerOf<BYTE>(value); break;
    case VT_UI4: out.ulVal = integerOf<ULONG>(value); break;
    case VT_INT: out.intVal = integerOf<INT>(value); break;
    case VT_UINT: out.uintVal = integerOf<UINT>(value); break;
    case VT_R8: out.dblVal = value; break;
    case VT_BOOL: out.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_DATE:
        if (!(value >= kFirstDate && value <= kLastDate)) overflow("outside the OLE date range");
        out.date = value;
        break;
    default:
        mismatch("not a number type");
    }
    out.vt = vt;
    return out;
}

std::u16string textFrom(const VARIANT& v, LCID lcid, USHORT flags) {
    switch (v.vt) {
    case VT_EMPTY: return u"";
    case VT_BOOL:
        if (flags & VARIANT_ALPHABOOL) return v.boolVal ? u"True" : u"False";
        return v.boolVal ? u"-1" : u"0";
    case VT_DATE: return formatDate(v.date, lcid);
    case VT_R8: return formatNumber(v.dblVal, lcid);
    case VT_UI4: return text::fromUtf8(std::to_string(v.ulVal));
    case VT_UINT: return text::fromUtf8(std::to_string(v.uintVal));
    default: return text::fromUtf8(std::to_string(static_cast<long long>(numberOf(v, lcid, VT_BSTR))));
    }
}

VARIANT bytesOfText(BSTR text) {
    const UINT size = SysStringByteLen(text);
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, size);
    if (!bytes) throw std::bad_alloc();
    if (size) std::memcpy(bytes->pvData, text, size);
    VARIANT out;
    VariantInit(&out);
    out.vt = VT_ARRAY | VT_UI1;
    out.parray = bytes;
    return out;
}

BSTR textOfBytes(SAFEARRAY* bytes) {
    if (!bytes) return newText(u"");
    BSTR out = SysAllocStringByteLen(static_cast<LPCSTR>(bytes->pvData), bytes->rgsabound[0].cElements);
    if (!out) throw std::bad_alloc();
    return out;
}

// The value property of an object, for conversion to a scalar.
VARIANT valueProperty(IDispatch* object) {
    if (!object) mismatch("a null object has no value");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                      &value, nullptr, nullptr);
    if (FAILED(hr)) mismatch("the object has no value property");
    return value;
}

VARIANT interfaceOf(IUnknown* object, VARTYPE vt) {
    VARIANT out;
    VariantInit(&out);
    out.vt = vt;
    out.punkVal = nullptr;
    if (object && FAILED(object->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                                reinterpret_cast<void**>(&out.punkVal))))
        mismatch("the object does not offer the interface");
    return out;
}

// The converted value as a new variant that owns its parts.
VARIANT converted(const VARIANT& source, LCID lcid, USHORT flags, VARTYPE vt) {
    VARIANT copy;
    VariantInit(&copy);
    if (source.vt == vt) {
        const HRESULT hr = VariantCopy(&copy, &source);
        if (FAILED(hr)) throw WinError(hr, "VariantCopy");
        return copy;
    }
    if (source.vt == VT_NULL || vt == VT_NULL || vt == VT_EMPTY) mismatch("no conversion to or from null");
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        if (source.vt != VT_DISPATCH && source.vt != VT_UNKNOWN) mismatch("a scalar is no object");
        return interfaceOf(source.punkVal, vt);
    }
    if (source.vt == VT_DISPATCH && isScalar(vt) && !(flags & VARIANT_NOVALUEPROP)) {
        VARIANT value = valueProperty(source.pdispVal);
        try {
            VARIANT result = converted(value, lcid, flags | VARIANT_NOVALUEPROP, vt);
            VariantClear(&value);
            return result;
        } catch (...) {
            VariantClear(&value);
            throw;
        }
    }
    if (vt == (VT_ARRAY | VT_UI1) && source.vt == VT_BSTR) return bytesOfText(source.bstrVal);
    if (vt == VT_BSTR && source.vt == (VT_ARRAY | VT_UI1)) {
        copy.bstrVal = textOfBytes(source.parray);
        copy.vt = VT_BSTR;
        return copy;
    }
    if (!isScalar(source.vt) || !isScalar(vt)) mismatch("no conversion between these types");
    if (vt == VT_BSTR) {
        copy.bstrVal = newText(textFrom(source, lcid, flags));
        copy.vt = VT_BSTR;
        return copy;
    }
    return fromNumber(numberOf(source, lcid, vt), vt);
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt) noexcept {
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    if (vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
    if (!isValidVariantType(vt)) return DISP_E_BADVARTYPE;
    if (!isValidVariantType(pvarSrc->vt)) return DISP_E_BADVARTYPE;
    return winHr([&] {
        const VARIANT source = (pvarSrc->vt & VT_BYREF) ? dereferenced(*pvarSrc) : *pvarSrc;
        VARIANT result = converted(source, lcid, wFlags, vt);
        // Only now is the destination (which may be the source) given up.
        const HRESULT hr = VariantClear(pvargDest);
        if (FAILED(hr)) {
            VariantClear(&result);
            return hr;
        }
        *pvargDest = result;
        return S_OK;
    });
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) noexcept {
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}

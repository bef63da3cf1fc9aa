// ITypeInfo::Invoke for dual interfaces: maps the dispatch arguments to
// the declared ones (positional arguments come last-first in rgvarg, named
// ones by position or DISPID_PROPERTYPUT), coerces each to its declared
// type, calls the vtable function, and hands back [out] and [out, retval]
// values. A failing member gives DISP_E_EXCEPTION with EXCEPINFO.
#include <algorithm>
#include <vector>

#include "ffi_call.h"
#include "platform/boundary.h"
#include "type_library.h"
#include "win32/datetime.h"

namespace platform::com {

namespace {

using typelib::Kind;
using typelib::Param;

// One declared argument on its way to the call.
struct Argument {
    Argument() = default;
    Argument(const Argument&) = delete;
    Argument& operator=(const Argument&) = delete;

    ArgKind kind = ArgKind::Pointer;
    bool byPointer = false;        // passes `pointer`, else the value itself
    VARIANT value{};               // an in value, or the out value the call writes
    bool ownsValue = false;        // value is ours to clear
    void* pointer = nullptr;       // what a pointer argument passes
    VARIANT* writeBack = nullptr;  // the caller's VT_BYREF|VT_VARIANT for an out value

    void* storage() { return byPointer ? static_cast<void*>(&pointer) : slot(); }
    void* slot() { return kind == ArgKind::Variant ? static_cast<void*>(&value) : static_cast<void*>(&value.llVal); }
    ~Argument() {
        if (ownsValue) VariantClear(&value);
    }
};

ArgKind kindOf(VARTYPE vt) {
    switch (vt) {
    case VT_UI1: return ArgKind::Byte;
    case VT_I2: case VT_BOOL: return ArgKind::Short;
    case VT_I4: case VT_INT: return ArgKind::Long;
    case VT_UI4: case VT_UINT: return ArgKind::ULong;
    case VT_R8: case VT_DATE: return ArgKind::Double;
    case VT_VARIANT: return ArgKind::Variant;
    default: return ArgKind::Pointer;
    }
}

class Call {
public:
    Call(const typelib::Library& library, const typelib::TypeEntry& entry, const typelib::Function& function,
         DISPPARAMS& params, UINT* argErr)
        : m_library(library), m_entry(entry), m_function(function), m_params(params), m_argErr(argErr),
          m_arguments(function.params.size()) {}

    HRESULT run(void* instance, std::size_t slot, VARIANT* result, EXCEPINFO* excepInfo) {
        if (HRESULT hr = bindArguments(); FAILED(hr)) return hr;
        std::vector<ArgKind> kinds;
        std::vector<void*> values;
        for (auto& argument : m_arguments) {
            kinds.push_back(argument.kind);
            values.push_back(argument.storage());
        }
        const HRESULT hr = callVtableSlot(instance, slot, kinds, values);
        if (FAILED(hr)) return failure(instance, hr, excepInfo);
        deliverOutputs(result);
        return hr;
    }

private:
    // The value type a declared type stands for in a variant (enumerations
    // travel as VT_I4, interfaces of the library as VT_DISPATCH).
    VARTYPE variantTypeOf(const typelib::TypeRef& type) const {
        if (type.vt != VT_USERDEFINED) return type.vt;
        return m_library.types[type.userType].kind == Kind::Enum ? VT_I4 : VT_DISPATCH;
    }

    HRESULT argumentError(HRESULT hr, UINT index) {
        if (m_argErr) *m_argErr = index;
        return hr;
    }

    HRESULT bindArguments() {
        std::vector<std::size_t> visible;  // the arguments a dispatch caller passes
        for (std::size_t i = 0; i < m_function.params.size(); ++i)
            if (!(m_function.params[i].flags & PARAMFLAG_FRETVAL)) visible.push_back(i);
        const UINT count = m_params.cArgs;
        const UINT named = m_params.cNamedArgs;
        if (named > count || (count && !m_params.rgvarg) || (named && !m_params.rgdispidNamedArgs))
            return E_INVALIDARG;
        if (count != visible.size()) return DISP_E_BADPARAMCOUNT;

        const bool put =
            m_function.invokeKind == INVOKE_PROPERTYPUT || m_function.invokeKind == INVOKE_PROPERTYPUTREF;
        // A put names its value DISPID_PROPERTYPUT; one that does not is
        // refused as Windows refuses it, before the property is touched.
        if (put && std::find(m_params.rgdispidNamedArgs, m_params.rgdispidNamedArgs + named, DISPID_PROPERTYPUT) ==
                       m_params.rgdispidNamedArgs + named)
            return DISP_E_PARAMNOTFOUND;
        std::vector<int> source(m_function.params.size(), -1);  // rgvarg index of each argument
        for (UINT i = 0; i < named; ++i) {
            const DISPID id = m_params.rgdispidNamedArgs[i];
            std::size_t target = 0;
            if (id == DISPID_PROPERTYPUT && put)
                target = visible.back();
            else if (id >= 0 && static_cast<std::size_t>(id) < m_function.params.size() &&
                     !(m_function.params[id].flags & PARAMFLAG_FRETVAL))
                target = static_cast<std::size_t>(id);
            else
                return argumentError(DISP_E_PARAMNOTFOUND, i);
            if (source[target] >= 0) return argumentError(DISP_E_PARAMNOTFOUND, i);
            source[target] = static_cast<int>(i);
        }
        std::size_t next = 0;
        for (UINT k = 0; k < count - named; ++k) {
            while (source[visible[next]] >= 0) ++next;
            source[visible[next]] = static_cast<int>(count - 1 - k);
        }
        for (std::size_t i = 0; i < m_function.params.size(); ++i) {
            const Param& param = m_function.params[i];
            HRESULT hr = S_OK;
            if (param.flags & PARAMFLAG_FRETVAL)
                hr = bindRetval(param, m_arguments[i]);
            else if (param.flags & PARAMFLAG_FOUT)
                hr = bindOut(param, m_params.rgvarg[source[i]], m_arguments[i]);
            else
                hr = bindIn(param, m_params.rgvarg[source[i]], m_arguments[i]);
            if (FAILED(hr)) return hr == DISP_E_PARAMNOTOPTIONAL ? hr : argumentError(hr, source[i]);
        }
        return S_OK;
    }

    HRESULT bindIn(const Param& param, const VARIANT& given, Argument& argument) {
        if (given.vt == VT_ERROR && given.scode == DISP_E_PARAMNOTFOUND) return DISP_E_PARAMNOTOPTIONAL;
        const VARTYPE vt = variantTypeOf(param.type);
        argument.kind = kindOf(vt);
        if (vt == VT_VARIANT) {  // passed as it is, one reference level removed
            argument.value = given.vt == (VT_BYREF | VT_VARIANT) && given.pvarVal ? *given.pvarVal : given;
            return S_OK;
        }
        VariantInit(&argument.value);
        argument.ownsValue = true;
        HRESULT hr = VariantChangeTypeEx(&argument.value, &given, LOCALE_USER_DEFAULT, 0, vt);
        if (FAILED(hr)) return hr;
        if (param.type.vt == VT_USERDEFINED && vt == VT_DISPATCH) {  // an interface of the library
            IUnknown* object = argument.value.punkVal;
            argument.value.punkVal = nullptr;
            if (object) {
                hr = object->QueryInterface(m_library.types[param.type.userType].guid,
                                            reinterpret_cast<void**>(&argument.value.punkVal));
                object->Release();
                if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
            }
        }
        return S_OK;
    }

    HRESULT bindOut(const Param& param, VARIANT& given, Argument& argument) {
        const VARTYPE vt = variantTypeOf(param.type);
        argument.kind = ArgKind::Pointer;
        argument.byPointer = true;
        if (given.vt == (VT_BYREF | vt) && given.byref) {
            argument.pointer = given.byref;
            return S_OK;
        }
        if (given.vt == (VT_BYREF | VT_VARIANT) && given.pvarVal) {  // filled in after the call
            VariantInit(&argument.value);
            argument.value.vt = vt;
            argument.value.llVal = 0;
            argument.ownsValue = true;
            argument.writeBack = given.pvarVal;
            argument.pointer = argument.slot();
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    }

    HRESULT bindRetval(const Param& param, Argument& argument) {
        const VARTYPE vt = variantTypeOf(param.type);
        VariantInit(&argument.value);
        if (vt != VT_VARIANT) {
            argument.value.vt = vt;
            argument.value.llVal = 0;
        }
        argument.ownsValue = true;
        argument.kind = ArgKind::Pointer;
        argument.byPointer = true;
        argument.pointer = vt == VT_VARIANT ? static_cast<void*>(&argument.value) : &argument.value.llVal;
        return S_OK;
    }

    void deliverOutputs(VARIANT* result) {
        for (std::size_t i = 0; i < m_arguments.size(); ++i) {
            Argument& argument = m_arguments[i];
            VARIANT* target = m_function.params[i].flags & PARAMFLAG_FRETVAL ? result : argument.writeBack;
            if (!target || !argument.ownsValue) continue;
            if (target != result) VariantClear(target);
            *target = argument.value;
            argument.ownsValue = false;
        }
    }

    // DISP_E_EXCEPTION with the member's error: from the thread's error info
    // when the object vouches for it on this interface.
    HRESULT failure(void* instance, HRESULT hr, EXCEPINFO* excepInfo) {
        if (!excepInfo) return hr;
        *excepInfo = EXCEPINFO{};
        excepInfo->scode = hr;
        Ptr<ISupportErrorInfo> support;
        static_cast<IUnknown*>(instance)->QueryInterface(IID_ISupportErrorInfo, support.putVoid());
        Ptr<IErrorInfo> info;
        if (support && support->InterfaceSupportsErrorInfo(m_entry.guid) == S_OK &&
            GetErrorInfo(0, info.put()) == S_OK && info) {
            info->GetSource(&excepInfo->bstrSource);
            info->GetDescription(&excepInfo->bstrDescription);
            info->GetHelpFile(&excepInfo->bstrHelpFile);
            info->GetHelpContext(&excepInfo->dwHelpContext);
        }
        return DISP_E_EXCEPTION;
    }

    const typelib::Library& m_library;
    const typelib::TypeEntry& m_entry;
    const typelib::Function& m_function;
    DISPPARAMS& m_params;
    UINT* m_argErr;
    std::vector<Argument> m_arguments;
};

}  // namespace

HRESULT invokeFunction(const typelib::Library& library, const typelib::TypeEntry& entry, std::size_t function,
                       void* instance, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr) {
    return winHr([&] {
        Call call(library, entry, entry.functions[function], *params, argErr);
        return call.run(instance, kInheritedFunctions + function, result, excepInfo);
    });
}

}  // namespace platform::com

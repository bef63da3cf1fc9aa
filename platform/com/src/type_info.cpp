// ITypeInfo of one type of a library: attributes, members, names,
// documentation, and Invoke for dual interfaces.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/boundary.h"
#include "platform/text.h"
#include "ref_counted.h"
#include "type_library.h"

namespace platform::com {

const InheritedFunction kInherited[kInheritedFunctions] = {
    {0x60000000, u"QueryInterface"}, {0x60000001, u"AddRef"},        {0x60000002, u"Release"},
    {0x60010000, u"GetTypeInfoCount"}, {0x60010001, u"GetTypeInfo"}, {0x60010002, u"GetIDsOfNames"},
    {0x60010003, u"Invoke"},
};

namespace {

using typelib::Kind;
using typelib::TypeRef;

constexpr MEMBERID kFirstEnumMember = 0x40000000;

BSTR newText(const std::u16string& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

bool isRetval(const typelib::Param& param) { return (param.flags & PARAMFLAG_FRETVAL) != 0; }

// A FUNCDESC or VARDESC and the storage its pointers reach into.
struct Description {
    FUNCDESC function{};
    VARDESC variable{};
    std::vector<ELEMDESC> params;
    std::vector<std::unique_ptr<TYPEDESC>> pointees;
    VARIANT value{};
};

class TypeInfo final : public RefCounted<ITypeInfo> {
public:
    TypeInfo(ITypeLib* owner, LibraryData data, std::size_t index)
        : m_owner(Ptr<ITypeLib>::share(owner)), m_data(std::move(data)), m_index(index) {}

    HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) override {
        if (!ppTypeAttr) return E_INVALIDARG;
        return winHr([&] {
            auto attr = std::make_unique<TYPEATTR>();
            attr->guid = entry().guid;
            attr->lcid = m_data->lcid;
            attr->memidConstructor = MEMBERID_NIL;
            attr->memidDestructor = MEMBERID_NIL;
            attr->tdescAlias.vt = VT_EMPTY;
            switch (entry().kind) {
            case Kind::Enum:
                attr->typekind = TKIND_ENUM;
                attr->cVars = static_cast<WORD>(entry().values.size());
                attr->cbSizeInstance = sizeof(LONG);
                attr->cbAlignment = alignof(LONG);
                break;
            case Kind::Interface:
                attr->typekind = TKIND_DISPATCH;
                attr->cFuncs = static_cast<WORD>(functionCount());
                attr->cbSizeVft = static_cast<WORD>(kInheritedFunctions * sizeof(void*));
                attr->cbSizeInstance = sizeof(void*);
                attr->cbAlignment = alignof(void*);
                attr->wTypeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
                break;
            case Kind::CoClass:
                attr->typekind = TKIND_COCLASS;
                attr->cImplTypes = static_cast<WORD>(entry().implemented.size());
                attr->cbSizeInstance = sizeof(void*);
                attr->cbAlignment = alignof(void*);
                attr->wTypeFlags = TYPEFLAG_FCANCREATE;
                break;
            }
            *ppTypeAttr = attr.release();
            return S_OK;
        });
    }
    void ReleaseTypeAttr(TYPEATTR* pTypeAttr) override { delete pTypeAttr; }

    HRESULT GetTypeComp(ITypeComp** ppTComp) override {
        if (ppTComp) *ppTComp = nullptr;
        return E_NOTIMPL;
    }

    HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override {
        if (!ppFuncDesc) return E_INVALIDARG;
        *ppFuncDesc = nullptr;
        if (index >= functionCount()) return TYPE_E_ELEMENTNOTFOUND;
        return winHr([&] {
            auto description = std::make_unique<Description>();
            describeFunction(index, *description);
            *ppFuncDesc = &keep(std::move(description))->function;
            return S_OK;
        });
    }
    void ReleaseFuncDesc(FUNCDESC* pFuncDesc) override { forget(pFuncDesc); }

    HRESULT GetVarDesc(UINT index, VARDESC** ppVarDesc) override {
        if (!ppVarDesc) return E_INVALIDARG;
        *ppVarDesc = nullptr;
        if (entry().kind != Kind::Enum || index >= entry().values.size()) return TYPE_E_ELEMENTNOTFOUND;
        return winHr([&] {
            auto description = std::make_unique<Description>();
            VARDESC& v = description->variable;
            v.memid = kFirstEnumMember + static_cast<MEMBERID>(index);
            v.varkind = VAR_CONST;
            v.elemdescVar.tdesc.vt = VT_I4;
            description->value.vt = VT_I4;
            description->value.lVal = entry().values[index].value;
            v.lpvarValue = &description->value;
            *ppVarDesc = &keep(std::move(description))->variable;
            return S_OK;
        });
    }
    void ReleaseVarDesc(VARDESC* pVarDesc) override { forget(pVarDesc); }

    // The member's name, then the names of the arguments a dispatch caller
    // passes (not the [out, retval] one).
    HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override {
        if (!rgBstrNames || !pcNames) return E_INVALIDARG;
        *pcNames = 0;
        std::vector<std::u16string> names;
        if (const auto* function = ownFunction(memid)) {
            names.push_back(function->name);
            for (const auto& param : function->params)
                if (!isRetval(param)) names.push_back(param.name);
        } else if (const auto* inherited = inheritedFunction(memid)) {
            names.push_back(inherited->name);
        } else if (const auto* value = enumValue(memid)) {
            names.push_back(value->name);
        } else {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        for (const auto& name : names) {
            if (*pcNames == cMaxNames) break;
            rgBstrNames[(*pcNames)++] = newText(name);
        }
        return S_OK;
    }

    HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override {
        if (!pRefType) return E_INVALIDARG;
        if (entry().kind != Kind::CoClass || index >= entry().implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pRefType = entry().implemented[index];
        return S_OK;
    }

    HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override {
        if (!pImplTypeFlags) return E_INVALIDARG;
        if (entry().kind != Kind::CoClass || index >= entry().implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pImplTypeFlags = index == 0 ? IMPLTYPEFLAG_FDEFAULT : 0;
        return S_OK;
    }

    // The first name is a member (inherited ones included), the others its
    // arguments, whose ids are their positions. Names compare without case.
    HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override {
        if (!rgszNames || !pMemId) return E_INVALIDARG;
        if (cNames == 0) return E_INVALIDARG;
        return winHr([&] {
            for (UINT i = 0; i < cNames; ++i) pMemId[i] = DISPID_UNKNOWN;
            if (!rgszNames[0] || entry().kind != Kind::Interface) return DISP_E_UNKNOWNNAME;
            const std::u16string member = text::toLower(rgszNames[0]);
            for (const auto& inherited : kInherited)
                if (text::toLower(inherited.name) == member) pMemId[0] = inherited.memid;
            const typelib::Function* named = nullptr;
            for (const auto& function : entry().functions)
                if (!named && !function.hidden && text::toLower(function.name) == member) named = &function;
            if (named) pMemId[0] = named->memid;
            if (pMemId[0] == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
            HRESULT hr = S_OK;
            for (UINT i = 1; i < cNames; ++i) {
                const std::u16string argument = rgszNames[i] ? text::toLower(rgszNames[i]) : std::u16string();
                if (named)
                    for (std::size_t p = 0; p < named->params.size(); ++p)
                        if (text::toLower(named->params[p].name) == argument) pMemId[i] = static_cast<MEMBERID>(p);
                if (pMemId[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
            }
            return hr;
        });
    }

    HRESULT Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                   EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
        if (!pvInstance || !pDispParams) return E_INVALIDARG;
        if (entry().kind != Kind::Interface) return DISP_E_MEMBERNOTFOUND;
        const auto function = chooseFunction(memid, wFlags);
        if (!function) return DISP_E_MEMBERNOTFOUND;
        return invokeFunction(*m_data, entry(), *function, pvInstance, wFlags, pDispParams, pVarResult, pExcepInfo,
                              puArgErr);
    }

    HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                             BSTR* pBstrHelpFile) override {
        std::u16string name;
        std::u16string help;
        if (memid == MEMBERID_NIL) {
            name = entry().name;
            help = entry().help;
        } else if (const auto* function = ownFunction(memid)) {
            name = function->name;
            help = function->help;
        } else if (const auto* inherited = inheritedFunction(memid)) {
            name = inherited->name;
        } else if (const auto* value = enumValue(memid)) {
            name = value->name;
        } else {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        if (pBstrName) *pBstrName = newText(name);
        if (pBstrDocString) *pBstrDocString = newText(help);
        if (pdwHelpContext) *pdwHelpContext = 0;
        if (pBstrHelpFile) *pBstrHelpFile = nullptr;
        return S_OK;
    }

    HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return TYPE_E_ELEMENTNOTFOUND; }

    HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override {
        if (!ppTInfo) return E_INVALIDARG;
        *ppTInfo = nullptr;
        if (hRefType >= m_data->types.size()) return TYPE_E_ELEMENTNOTFOUND;
        return m_owner->GetTypeInfo(hRefType, ppTInfo);
    }

    HRESULT AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) override {
        if (ppv) *ppv = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT CreateInstance(IUnknown* pUnkOuter, const IID& riid, PVOID* ppvObj) override {
        if (!ppvObj) return E_INVALIDARG;
        *ppvObj = nullptr;
        if (entry().kind != Kind::CoClass) return TYPE_E_ELEMENTNOTFOUND;  // only a co-class can be created
        return CoCreateInstance(entry().guid, pUnkOuter, CLSCTX_INPROC_SERVER, riid, ppvObj);
    }

    HRESULT GetMops(MEMBERID, BSTR* pBstrMops) override {
        if (pBstrMops) *pBstrMops = nullptr;
        return S_OK;
    }

    HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override {
        if (!ppTLib) return E_INVALIDARG;
        *ppTLib = Ptr<ITypeLib>(m_owner).detach();
        if (pIndex) *pIndex = static_cast<UINT>(m_index);
        return S_OK;
    }

private:
    const typelib::TypeEntry& entry() const { return m_data->types[m_index]; }

    std::size_t functionCount() const {
        return entry().kind == Kind::Interface ? kInheritedFunctions + entry().functions.size() : 0;
    }

    const typelib::Function* ownFunction(MEMBERID memid) const {
        if (entry().kind != Kind::Interface) return nullptr;
        for (const auto& function : entry().functions)
            if (function.memid == memid) return &function;
        return nullptr;
    }
    const InheritedFunction* inheritedFunction(MEMBERID memid) const {
        if (entry().kind != Kind::Interface) return nullptr;
        for (const auto& inherited : kInherited)
            if (inherited.memid == memid) return &inherited;
        return nullptr;
    }
    const typelib::EnumValue* enumValue(MEMBERID memid) const {
        if (entry().kind != Kind::Enum || memid < kFirstEnumMember) return nullptr;
        const auto index = static_cast<std::size_t>(memid - kFirstEnumMember);
        return index < entry().values.size() ? &entry().values[index] : nullptr;
    }

    // The function of that id for the kind of call: a put for a put, a
    // method before a property get when a caller allows both.
    std::optional<std::size_t> chooseFunction(MEMBERID memid, WORD flags) const {
        const auto find = [&](int kind) -> std::optional<std::size_t> {
            for (std::size_t i = 0; i < entry().functions.size(); ++i)
                if (const auto& function = entry().functions[i];
                    function.memid == memid && function.invokeKind == kind && !function.hidden)
                    return i;
            return std::nullopt;
        };
        if (flags & DISPATCH_PROPERTYPUT) return find(INVOKE_PROPERTYPUT);
        if (flags & DISPATCH_PROPERTYPUTREF) return find(INVOKE_PROPERTYPUTREF);
        if (flags & DISPATCH_METHOD)
            if (auto method = find(INVOKE_FUNC)) return method;
        if (flags & DISPATCH_PROPERTYGET) return find(INVOKE_PROPERTYGET);
        return std::nullopt;
    }

    void typeDesc(const TypeRef& type, int dropPointers, TYPEDESC& out, Description& storage) const {
        TYPEDESC* at = &out;
        for (int level = type.pointers - dropPointers; level > 0; --level) {
            at->vt = VT_PTR;
            storage.pointees.push_back(std::make_unique<TYPEDESC>());
            at->lptdesc = storage.pointees.back().get();
            at = at->lptdesc;
        }
        at->vt = type.vt;
        if (type.vt == VT_USERDEFINED) at->hreftype = type.userType;
    }

    void describeFunction(std::size_t index, Description& d) const {
        FUNCDESC& f = d.function;
        f.funckind = FUNC_DISPATCH;
        f.callconv = CC_STDCALL;
        f.oVft = static_cast<SHORT>(index * sizeof(void*));
        if (index < kInheritedFunctions) {
            f.memid = kInherited[index].memid;
            f.invkind = INVOKE_FUNC;
            f.wFuncFlags = FUNCFLAG_FRESTRICTED;
            f.elemdescFunc.tdesc.vt = (index == 1 || index == 2) ? VT_UI4 : VT_HRESULT;
            return;
        }
        const auto& function = entry().functions[index - kInheritedFunctions];
        f.memid = function.memid;
        f.invkind = function.invokeKind;
        if (function.hidden) f.wFuncFlags = FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN;
        f.elemdescFunc.tdesc.vt = VT_VOID;
        d.params.reserve(function.params.size());
        for (const auto& param : function.params) {
            if (isRetval(param)) {
                typeDesc(param.type, 1, f.elemdescFunc.tdesc, d);
                continue;
            }
            ELEMDESC& e = d.params.emplace_back();
            typeDesc(param.type, 0, e.tdesc, d);
            e.paramdesc.wParamFlags = param.flags;
        }
        f.cParams = static_cast<SHORT>(d.params.size());
        f.lprgelemdescParam = d.params.empty() ? nullptr : d.params.data();
    }

    Description* keep(std::unique_ptr<Description> description) {
        std::lock_guard lock(m_mutex);
        Description* raw = description.get();
        m_handedOut.emplace(raw, std::move(description));
        return raw;
    }
    void forget(const void* handedOut) {
        std::lock_guard lock(m_mutex);
        for (auto it = m_handedOut.begin(); it != m_handedOut.end(); ++it)
            if (&it->first->function == handedOut || &it->first->variable == handedOut) {
                m_handedOut.erase(it);
                return;
            }
    }

    Ptr<ITypeLib> m_owner;
    LibraryData m_data;
    std::size_t m_index;
    std::mutex m_mutex;
    std::map<Description*, std::unique_ptr<Description>> m_handedOut;
};

}  // namespace

Ptr<ITypeInfo> makeTypeInfo(ITypeLib* owner, LibraryData data, std::size_t index) {
    return Ptr<ITypeInfo>::adopt(new TypeInfo(owner, std::move(data), index));
}

}  // namespace platform::com

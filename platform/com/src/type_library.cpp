// ITypeLib: the library's attributes, documentation and its types'
// information.
#include "type_library.h"

#include "platform/boundary.h"
#include "ref_counted.h"

namespace platform::com {

namespace {

class TypeLibrary final : public RefCounted<ITypeLib> {
public:
    explicit TypeLibrary(typelib::Library library)
        : m_data(std::make_shared<const typelib::Library>(std::move(library))) {}

    UINT GetTypeInfoCount() override { return static_cast<UINT>(m_data->types.size()); }

    HRESULT GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override {
        if (!ppTInfo) return E_INVALIDARG;
        *ppTInfo = nullptr;
        if (index >= m_data->types.size()) return TYPE_E_ELEMENTNOTFOUND;
        return winHr([&] {
            *ppTInfo = makeTypeInfo(this, m_data, index).detach();
            return S_OK;
        });
    }

    HRESULT GetTypeInfoType(UINT index, TYPEKIND* pTKind) override {
        if (!pTKind) return E_INVALIDARG;
        if (index >= m_data->types.size()) return TYPE_E_ELEMENTNOTFOUND;
        switch (m_data->types[index].kind) {
        case typelib::Kind::Enum: *pTKind = TKIND_ENUM; break;
        case typelib::Kind::Interface: *pTKind = TKIND_DISPATCH; break;
        case typelib::Kind::CoClass: *pTKind = TKIND_COCLASS; break;
        }
        return S_OK;
    }

    HRESULT GetTypeInfoOfGuid(const GUID& guid, ITypeInfo** ppTinfo) override {
        if (!ppTinfo) return E_INVALIDARG;
        *ppTinfo = nullptr;
        for (std::size_t i = 0; i < m_data->types.size(); ++i)
            if (m_data->types[i].kind != typelib::Kind::Enum && m_data->types[i].guid == guid)
                return GetTypeInfo(static_cast<UINT>(i), ppTinfo);
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) override {
        if (!ppTLibAttr) return E_INVALIDARG;
        return winHr([&] {
            *ppTLibAttr = new TLIBATTR{m_data->guid, m_data->lcid, SYS_WIN64, m_data->major, m_data->minor,
                                       LIBFLAG_FHASDISKIMAGE};
            return S_OK;
        });
    }
    void ReleaseTLibAttr(TLIBATTR* pTLibAttr) override { delete pTLibAttr; }

    HRESULT GetTypeComp(ITypeComp** ppTComp) override {
        if (ppTComp) *ppTComp = nullptr;
        return E_NOTIMPL;
    }

    HRESULT GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                             BSTR* pBstrHelpFile) override {
        const bool library = index == -1;
        if (!library && (index < 0 || static_cast<std::size_t>(index) >= m_data->types.size()))
            return TYPE_E_ELEMENTNOTFOUND;
        const auto& name = library ? m_data->name : m_data->types[index].name;
        const auto& help = library ? m_data->help : m_data->types[index].help;
        if (pBstrName) *pBstrName = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (pBstrDocString) *pBstrDocString = SysAllocStringLen(help.data(), static_cast<UINT>(help.size()));
        if (pdwHelpContext) *pdwHelpContext = 0;
        if (pBstrHelpFile) *pBstrHelpFile = nullptr;
        return S_OK;
    }

    HRESULT IsName(LPOLESTR, ULONG, BOOL* pfName) override {
        if (pfName) *pfName = FALSE;
        return E_NOTIMPL;
    }

    HRESULT FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT* pcFound) override {
        if (pcFound) *pcFound = 0;
        return E_NOTIMPL;
    }

private:
    LibraryData m_data;
};

}  // namespace

Ptr<ITypeLib> makeTypeLibrary(typelib::Library library) {
    return Ptr<ITypeLib>::adopt(new TypeLibrary(std::move(library)));
}

}  // namespace platform::com

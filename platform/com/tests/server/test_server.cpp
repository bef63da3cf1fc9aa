// A small in-process server built the way the system's servers are: an
// object over the server helpers, its dual interface answered from its own
// type library, a registration script, and the four entry points (plus
// DllInstall, which records how it was called).
#include <string>

#include "platform/com/dispatch.h"
#include "platform/com/server.h"
#include "platform/text.h"
#include "test_server_lib.h"
#include "win32/registry.h"

namespace {

using platform::com::Ptr;

// The failure Fail returns, with the description it was given as error info.
constexpr HRESULT kFailure = HRESULT_OF(0x80042001u);

BSTR copyOf(const std::u16string& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

std::u16string textOf(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

class TestServer final
    : public platform::com::Object<TestServer, platform::com::Dispatch<ITestServer>, ISupportErrorInfo> {
public:
    HRESULT get_Count(LONG* value) override { return give(value, m_count); }
    HRESULT put_Count(LONG value) override { return keep(m_count, value); }
    HRESULT get_Name(BSTR* value) override {
        if (!value) return E_POINTER;
        *value = m_hasName ? copyOf(m_name) : nullptr;  // nothing set: a null string
        return S_OK;
    }
    HRESULT put_Name(BSTR value) override {
        m_name = textOf(value);
        m_hasName = true;
        return S_OK;
    }
    HRESULT get_Shape(tsShape* value) override { return give(value, m_shape); }
    HRESULT put_Shape(tsShape value) override { return keep(m_shape, value); }
    HRESULT get_Limit(ULONG* value) override { return give(value, m_limit); }
    HRESULT put_Limit(ULONG value) override { return keep(m_limit, value); }

    HRESULT Add(LONG a, LONG b, LONG* sum) override { return give(sum, a + b); }
    HRESULT Echo(BSTR text, BSTR* copy) override {
        if (!copy) return E_POINTER;
        *copy = copyOf(textOf(text));
        return S_OK;
    }
    HRESULT IsEmpty(BSTR text, VARIANT_BOOL* empty) override {
        return give(empty, SysStringLen(text) == 0 ? VARIANT_TRUE : VARIANT_FALSE);
    }
    HRESULT Fail(BSTR description) override {
        Ptr<ICreateErrorInfo> info;
        if (SUCCEEDED(CreateErrorInfo(info.put()))) {
            info->SetGUID(IID_ITestServer);
            info->SetSource(const_cast<LPOLESTR>(u"Tesk.TestServer"));
            info->SetDescription(description);
            SetErrorInfo(0, info.as<IErrorInfo>().get());
        }
        return kFailure;
    }
    // The type and the text of a variant passed by value.
    HRESULT Describe(VARIANT value, BSTR* text) override {
        if (!text) return E_POINTER;
        VARIANT asText;
        VariantInit(&asText);
        const HRESULT hr = VariantChangeType(&asText, &value, 0, VT_BSTR);
        std::u16string out = u"vt " + platform::text::fromUtf8(std::to_string(value.vt));
        if (SUCCEEDED(hr)) out += u": " + textOf(asText.bstrVal);
        VariantClear(&asText);
        *text = copyOf(out);
        return S_OK;
    }
    // Another object of this class, made from inside the module through the
    // ProgID on the caller's thread.
    HRESULT Sibling(ITestServer** other) override {
        if (!other) return E_POINTER;
        CLSID clsid;
        const HRESULT hr = CLSIDFromProgID(u"Tesk.TestServer", &clsid);
        if (FAILED(hr)) return hr;
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITestServer, reinterpret_cast<void**>(other));
    }
    HRESULT get_Constant(DOUBLE* value) override { return give(value, 2.5); }

    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override { return riid == IID_ITestServer ? S_OK : S_FALSE; }

private:
    template <class T, class V>
    static HRESULT give(T* out, V value) {
        if (!out) return E_POINTER;
        *out = value;
        return S_OK;
    }
    template <class T>
    static HRESULT keep(T& field, T value) {
        field = value;
        return S_OK;
    }

    LONG m_count = 0;
    std::u16string m_name;
    bool m_hasName = false;
    tsShape m_shape = ShapeNone;
    ULONG m_limit = 0;
};

const platform::com::ServerClass kClasses[] = {platform::com::serverClass<TestServer>(CLSID_TestServer)};

}  // namespace

TESK_COM_SERVER(kClasses, 101)

// Records its call under HKCU\Software\Tesk\TestServer, value "Install":
// "install <command line>" or "uninstall <command line>".
TESK_COM_EXPORT HRESULT DllInstall(BOOL bInstall, LPCWSTR pszCmdLine) {
    const std::u16string record = std::u16string(bInstall ? u"install " : u"uninstall ") + (pszCmdLine ? pszCmdLine : u"");
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Tesk\\TestServer", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    RegSetValueExW(key, u"Install", 0, REG_SZ, reinterpret_cast<const BYTE*>(record.c_str()),
                   static_cast<DWORD>((record.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    return S_OK;
}

// A broken enrolment object for the start-up checks, loaded in-process
// like the real one. HALVEX_STAND_IN says how it is broken:
//   "no-interface"   - it gives only IUnknown and IDispatch;
//   "missing:NAME"   - its IDispatch knows every name but NAME;
// anything else (or unset) - it knows every name. Registered under any
// class, it is no signing component either.
#include <atomic>
#include <cstdlib>
#include <string>
#include <string_view>

#include "win32/com.h"
#include "win32/oleauto.h"

namespace {

// The enrolment interface, by which the program asks for the object.
constexpr IID kEnrolmentInterface = {0xEB15F902, 0x9B20, 0x441F, {0xB7, 0x40, 0x67, 0x61, 0x11, 0xEB, 0x03, 0x72}};

std::string_view Mode() {
    const char* mode = std::getenv("HALVEX_STAND_IN");
    return mode ? mode : "";
}

class StandIn final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        const bool offered = riid == IID_IUnknown || riid == IID_IDispatch ||
                             (riid == kEnrolmentInterface && Mode() != "no-interface");
        if (!offered) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        const std::string_view mode = Mode();
        for (UINT n = 0; n < count; ++n) {
            std::string name;
            for (const char16_t* c = names[n]; *c; ++c) name += static_cast<char>(*c);
            if (mode.starts_with("missing:") && mode.substr(8) == name) return DISP_E_UNKNOWNNAME;
            ids[n] = static_cast<DISPID>(n + 1);
        }
        return S_OK;
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ~StandIn() = default;
    std::atomic<ULONG> m_references{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new StandIn();
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID riid, LPVOID* ppv) {
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }

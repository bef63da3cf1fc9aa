// A broken enrolment object, loaded in-process like the real one.
// HALVEX_STAND_IN says how it is broken:
//   "no-interface"   - it gives only IUnknown and IDispatch;
//   "missing:NAME"   - its IDispatch knows every name but NAME;
//   "user-locale:NAME" - it knows NAME only under the user's default
//                      locale (1024), every other name under any;
//   "fail:MEMBER=STATUS,..." - the real enrolment library (its module named
//                      by HALVEX_STAND_IN_PENTAK) whose listed members
//                      return the hexadecimal status without doing
//                      anything (0: they succeed without asking the
//                      provider); the others work as they do;
// anything else (or unset) - it knows every name. Registered under any
// class, it is no signing component either.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "pentak_lib.h"
#include "platform/text.h"
#include "uncounted_class_factory.h"
#include "vtable_slot.h"
#include "win32/com.h"
#include "win32/modules.h"
#include "win32/oleauto.h"

namespace {

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
                             (riid == IID_IPentak && Mode() != "no-interface");
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
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        const std::string_view mode = Mode();
        for (UINT n = 0; n < count; ++n) {
            std::string name;
            for (const char16_t* c = names[n]; *c; ++c) name += static_cast<char>(*c);
            if (mode.starts_with("missing:") && mode.substr(8) == name) return DISP_E_UNKNOWNNAME;
            if (mode.starts_with("user-locale:") && mode.substr(12) == name && locale != 1024)
                return DISP_E_UNKNOWNNAME;
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

// The real object with some members answered here: its own table of
// functions copied with those entries replaced. Release puts the table
// back around the call, since the last one destroys the object through it.
namespace failing {

const std::map<std::string, std::size_t, std::less<>>& Members() {
    static const std::map<std::string, std::size_t, std::less<>> members = {
        {"put_GenKeyFlags", VtableSlot(&IPentak::put_GenKeyFlags)},
        {"IsAlgOidSupported", VtableSlot(&IPentak::IsAlgOidSupported)},
        {"IsKeylenSupported", VtableSlot(&IPentak::IsKeylenSupported)},
        {"SetSignatureAlgorithmOid", VtableSlot(&IPentak::SetSignatureAlgorithmOid)},
        {"KeyGenerate", VtableSlot(&IPentak::KeyGenerate)},
        {"CreatePKCS10", VtableSlot(&IPentak::CreatePKCS10)},
        {"Sign", VtableSlot(&IPentak::Sign)},
    };
    return members;
}

constexpr std::size_t kHeader = 2;  // offset to top, type information
const std::size_t kEntries = VtableSlot(&IPentak::X509MergeSubjectToPersonalReqTesk) + 1;

std::array<HRESULT, 6> g_statuses{};
std::vector<void*> g_table;
void** g_original = nullptr;
ULONG (*g_release)(IPentak*) = nullptr;

// Takes no arguments it is given: the caller's arguments stay unread.
template <std::size_t N>
HRESULT Answer(IPentak*) {
    return g_statuses[N];
}
constexpr std::array<HRESULT (*)(IPentak*), 6> kAnswers = {Answer<0>, Answer<1>, Answer<2>,
                                                           Answer<3>, Answer<4>, Answer<5>};

ULONG Release(IPentak* object) {
    *reinterpret_cast<void***>(object) = g_original;
    const ULONG left = g_release(object);
    if (left) *reinterpret_cast<void***>(object) = g_table.data() + kHeader;
    return left;
}

// "MEMBER=STATUS,..." applied to the object's table; false for an unknown
// member or more than the stand-in answers.
bool Patch(IPentak* object, std::string_view spec) {
    g_original = *reinterpret_cast<void***>(object);
    g_table.assign(g_original - kHeader, g_original + kEntries);
    g_release = reinterpret_cast<ULONG (*)(IPentak*)>(g_original[VtableSlot(&IPentak::Release)]);
    g_table[kHeader + VtableSlot(&IPentak::Release)] = reinterpret_cast<void*>(&Release);
    std::size_t answered = 0;
    while (!spec.empty()) {
        const std::string_view item = spec.substr(0, spec.find(','));
        spec.remove_prefix(std::min(spec.size(), item.size() + 1));
        const std::size_t equals = item.find('=');
        const auto member = Members().find(item.substr(0, equals));
        if (equals == std::string_view::npos || member == Members().end() || answered == kAnswers.size()) return false;
        g_statuses[answered] = static_cast<HRESULT>(std::stoul(std::string(item.substr(equals + 1)), nullptr, 16));
        g_table[kHeader + member->second] = reinterpret_cast<void*>(kAnswers[answered++]);
    }
    *reinterpret_cast<void***>(object) = g_table.data() + kHeader;
    return true;
}

// The real library's object with the members of the mode answered here.
HRESULT Create(REFIID riid, void** ppv) {
    const char* module = std::getenv("HALVEX_STAND_IN_PENTAK");
    if (!module) return E_FAIL;
    const HMODULE library = LoadLibraryW(platform::text::fromUtf8(module).c_str());
    using GetClassObject = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
    const auto get = library ? reinterpret_cast<GetClassObject>(GetProcAddress(library, "DllGetClassObject")) : nullptr;
    IClassFactory* factory = nullptr;
    if (!get || FAILED(get(CLSID_Pentak, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return E_FAIL;
    IPentak* object = nullptr;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IPentak, reinterpret_cast<void**>(&object));
    factory->Release();
    if (FAILED(hr)) return hr;
    if (!Patch(object, Mode().substr(5))) {
        object->Release();
        return E_INVALIDARG;
    }
    hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

}  // namespace failing

class Factory final : public UncountedClassFactory {
public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        if (Mode().starts_with("fail:")) return failing::Create(riid, ppv);
        auto* object = new StandIn();
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
};

Factory g_factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID riid, LPVOID* ppv) {
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }

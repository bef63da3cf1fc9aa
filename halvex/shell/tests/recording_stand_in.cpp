// The real enrolment object and signing component, each made by its own
// module inside a recording object that aggregates it, so that the
// program holds them as it holds the real ones while the stand-in sees
// what ends them. Told by its caller (the test, which loads this module
// itself, the same one COM loads):
//   RecordedServe(class, name, module) - objects of the class are made by
//       the module and named in the records;
//   RecordInto(record)                 - where the records go;
//   RecordedUnloadFails(status)        - the signer's UnloadAllPlugins, its
//       work done, answers this failure (S_OK: its own answer).
// Recorded: "NAME made" when the program has it, "NAME: plug-ins unloaded"
// (the signer's UnloadAllPlugins), "NAME released" when one reference is
// left and "NAME gone" when none. The program holds two (the object and
// its interface); other references come and go while it works, and are
// not recorded.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mirelo_lib.h"
#include "platform/text.h"
#include "uncounted_class_factory.h"
#include "vtable_slot.h"
#include "win32/com.h"
#include "win32/modules.h"

namespace {

using Record = void (*)(const char* event);

Record g_record = nullptr;
HRESULT g_unloadStatus = S_OK;

void record(const std::string& event) {
    if (g_record) g_record(event.c_str());
}

struct Served {
    std::string name;
    std::string module;
};

std::map<std::string, Served>& servedClasses() {
    static std::map<std::string, Served> served;
    return served;
}

std::string textOf(REFCLSID clsid) {
    return std::string(reinterpret_cast<const char*>(&clsid), sizeof clsid);
}

class Recorded;

// The signer's interface answers UnloadAllPlugins here (recorded, then
// passed on) through a copy of its table of functions; the copy covers the
// interface's own members, put back before the object is destroyed.
namespace unload {

constexpr std::size_t kHeader = 2;  // offset to top, type information
const std::size_t kEntries = VtableSlot(&ISignerKyd::put_CfgConfirmationDlg) + 1;

std::map<ISignerKyd*, Recorded*>& patched() {
    static std::map<ISignerKyd*, Recorded*> objects;
    return objects;
}

HRESULT Unload(ISignerKyd* signer);

}  // namespace unload

class Recorded final : public IUnknown {
public:
    Recorded(std::string name, const CLSID& clsid) : m_name(std::move(name)), m_class(clsid) {}

    // Makes the real object inside this one; false when its module does not.
    bool Aggregate(const std::string& module) {
        const HMODULE library = LoadLibraryW(platform::text::fromUtf8(module).c_str());
        using GetClassObject = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
        const auto get = library ? reinterpret_cast<GetClassObject>(GetProcAddress(library, "DllGetClassObject")) : nullptr;
        IClassFactory* factory = nullptr;
        if (!get || FAILED(get(m_class, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return false;
        const HRESULT hr = factory->CreateInstance(this, IID_IUnknown, reinterpret_cast<void**>(&m_inner));
        factory->Release();
        if (FAILED(hr) || !m_inner) return false;
        ISignerKyd* signer = nullptr;
        if (SUCCEEDED(m_inner->QueryInterface(IID_ISignerKyd, reinterpret_cast<void**>(&signer)))) {
            Patch(signer);
            signer->Release();
        }
        return true;
    }
    // References from now on are the program's.
    void HandOver() { m_handedOver = true; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_inner ? m_inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (m_handedOver && left <= 1) record(m_name + (left ? " released" : " gone"));
        if (left == 0) {
            Unpatch();
            if (m_inner) m_inner->Release();
            delete this;
        }
        return left;
    }

    // UnloadAllPlugins recorded, then done by the real object.
    HRESULT Unload(ISignerKyd* signer) {
        record(m_name + ": plug-ins unloaded");
        const HRESULT hr = m_unload(signer);
        return FAILED(g_unloadStatus) ? g_unloadStatus : hr;
    }

private:
    void Patch(ISignerKyd* signer) {
        m_signer = signer;
        m_original = *reinterpret_cast<void***>(signer);
        m_table.assign(m_original - unload::kHeader, m_original + unload::kEntries);
        const std::size_t slot = unload::kHeader + VtableSlot(&ISignerKyd::UnloadAllPlugins);
        m_unload = reinterpret_cast<HRESULT (*)(ISignerKyd*)>(m_table[slot]);
        m_table[slot] = reinterpret_cast<void*>(&unload::Unload);
        *reinterpret_cast<void***>(signer) = m_table.data() + unload::kHeader;
        unload::patched()[signer] = this;
    }
    void Unpatch() {
        if (!m_signer) return;
        *reinterpret_cast<void***>(m_signer) = m_original;
        unload::patched().erase(m_signer);
        m_signer = nullptr;
    }

    std::string m_name;
    CLSID m_class{};
    IUnknown* m_inner = nullptr;
    ULONG m_references = 0;
    bool m_handedOver = false;
    ISignerKyd* m_signer = nullptr;
    void** m_original = nullptr;
    HRESULT (*m_unload)(ISignerKyd*) = nullptr;
    std::vector<void*> m_table;
};

HRESULT unload::Unload(ISignerKyd* signer) { return patched().at(signer)->Unload(signer); }

class Factory final : public UncountedClassFactory {
public:
    explicit Factory(const CLSID& clsid) : m_class(clsid) {}
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        const auto served = servedClasses().find(textOf(m_class));
        if (served == servedClasses().end()) return CLASS_E_CLASSNOTAVAILABLE;
        auto* object = new Recorded(served->second.name, m_class);
        object->AddRef();
        if (!object->Aggregate(served->second.module)) {
            object->Release();
            return E_FAIL;
        }
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        if (FAILED(hr)) return hr;
        object->HandOver();
        record(served->second.name + " made");
        return S_OK;
    }

private:
    CLSID m_class;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void RecordedServe(REFCLSID clsid, const char* name,
                                                                     const char* module) {
    servedClasses()[textOf(clsid)] = Served{name, module};
}

extern "C" __attribute__((visibility("default"))) void RecordInto(Record where) { g_record = where; }

extern "C" __attribute__((visibility("default"))) void RecordedUnloadFails(HRESULT status) { g_unloadStatus = status; }

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!servedClasses().contains(textOf(rclsid))) return CLASS_E_CLASSNOTAVAILABLE;
    static std::map<std::string, Factory> factories;
    Factory& factory = factories.try_emplace(textOf(rclsid), rclsid).first->second;
    return factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }

// The entry points of in-process servers: class objects, the module's lock
// count, self-registration, and the module's own type information.
#include <atomic>
#include <map>
#include <mutex>

#include "guid_text.h"
#include "platform/com/dispatch.h"
#include "platform/com/server.h"
#include "platform/modules.h"
#include "platform/text.h"
#include "registry_script.h"
#include "win32/resources.h"

namespace platform::com {

namespace {

std::atomic<LONG> g_moduleLocks{0};

std::u16string modulePath() { return text::fromUtf8(modules::fileOf(modules::thisModule()).string()); }

bool carriesTypeLibrary() { return FindResourceW(modules::thisModule(), MAKEINTRESOURCEW(1), u"TYPELIB") != nullptr; }

std::vector<ScriptEntry> registryScript(WORD number) {
    const HMODULE module = modules::thisModule();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(number), u"REGISTRY");
    if (!found) throw WinError(SELFREG_E_CLASS, "no registry script in the module");
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (!data) throw WinError(SELFREG_E_CLASS, "the registry script does not load");
    return parseRegistryScript(std::string_view(data, SizeofResource(module, found)), modulePath());
}

HRESULT registerTypeLibrary() {
    Ptr<ITypeLib> library;
    const std::u16string path = modulePath();
    if (FAILED(LoadTypeLib(path.c_str(), library.put()))) return SELFREG_E_TYPELIB;
    return SUCCEEDED(RegisterTypeLib(library.get(), path.c_str(), nullptr)) ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT unregisterTypeLibrary() {
    Ptr<ITypeLib> library;
    const std::u16string path = modulePath();
    if (FAILED(LoadTypeLib(path.c_str(), library.put()))) return SELFREG_E_TYPELIB;
    TLIBATTR* attr = nullptr;
    if (FAILED(library->GetLibAttr(&attr))) return SELFREG_E_TYPELIB;
    const TLIBATTR lib = *attr;
    library->ReleaseTLibAttr(attr);
    const HRESULT hr = UnRegisterTypeLib(lib.guid, lib.wMajorVerNum, lib.wMinorVerNum, lib.lcid, lib.syskind);
    return SUCCEEDED(hr) || hr == TYPE_E_REGISTRYACCESS ? S_OK : SELFREG_E_TYPELIB;
}

// A failed script step is SELFREG_E_CLASS whatever the registry said.
template <class Body>
HRESULT scriptStep(Body&& body) noexcept {
    const HRESULT hr = winHr([&] {
        body();
        return S_OK;
    });
    return FAILED(hr) ? SELFREG_E_CLASS : S_OK;
}

}  // namespace

void lockModule() noexcept { ++g_moduleLocks; }
void unlockModule() noexcept { --g_moduleLocks; }
LONG moduleLockCount() noexcept { return g_moduleLocks; }

HRESULT getClassObject(std::span<const ServerClass> classes, const CLSID& clsid, const IID& iid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const auto& entry : classes)
        if (*entry.clsid == clsid) return entry.createFactory(iid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT canUnloadNow() noexcept { return g_moduleLocks == 0 ? S_OK : S_FALSE; }

HRESULT registerScript(WORD registryScriptNumber) noexcept {
    return scriptStep([&] { applyRegistration(registryScript(registryScriptNumber)); });
}

HRESULT unregisterScript(WORD registryScriptNumber) noexcept {
    return scriptStep([&] { applyUnregistration(registryScript(registryScriptNumber)); });
}

HRESULT registerServer(WORD registryScriptNumber) noexcept {
    if (const HRESULT hr = registerScript(registryScriptNumber); FAILED(hr)) return hr;
    return carriesTypeLibrary() ? registerTypeLibrary() : S_OK;
}

HRESULT unregisterServer(WORD registryScriptNumber) noexcept {
    const HRESULT script = unregisterScript(registryScriptNumber);
    const HRESULT library = carriesTypeLibrary() ? unregisterTypeLibrary() : S_OK;
    return FAILED(script) ? script : library;
}

HRESULT moduleTypeInfo(const IID& iid, ITypeInfo** info) noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    static std::mutex mutex;
    static Ptr<ITypeLib> library;
    static std::map<std::u16string, Ptr<ITypeInfo>> known;
    return winHr([&] {
        std::lock_guard lock(mutex);
        auto& cached = known[guidText(iid)];
        if (!cached) {
            if (!library)
                if (const HRESULT hr = LoadTypeLib(modulePath().c_str(), library.put()); FAILED(hr)) return hr;
            if (const HRESULT hr = library->GetTypeInfoOfGuid(iid, cached.put()); FAILED(hr)) return hr;
        }
        *info = Ptr<ITypeInfo>(cached).detach();
        return S_OK;
    });
}

}  // namespace platform::com

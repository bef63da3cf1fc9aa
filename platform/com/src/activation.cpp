// In-process activation: the class's server module from the registry,
// loaded once with LoadLibrary and kept until it says it can be unloaded
// (CoFreeUnusedLibraries) or the last apartment ends.
#include <algorithm>
#include <mutex>
#include <vector>

#include "class_registry.h"
#include "platform/boundary.h"
#include "runtime.h"
#include "win32/error.h"
#include "win32/modules.h"

namespace {

struct LoadedServer {
    HMODULE module;
    DllGetClassObjectFn getClassObject;
    DllCanUnloadNowFn canUnloadNow;  // may be missing: then it stays loaded
};

std::mutex g_mutex;
std::vector<LoadedServer> g_servers;

template <class Function>
Function exportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(GetProcAddress(module, name));
}

// The server module of the class, loaded once per process. Its loader
// count stays at one whatever the number of classes or calls.
DllGetClassObjectFn serverOf(const CLSID& clsid) {
    const std::u16string file = platform::com::inprocServerOf(clsid);
    const HMODULE module = LoadLibraryW(file.c_str());
    if (!module) throw platform::WinError(HRESULT_FROM_WIN32(GetLastError()), "the server module does not load");
    std::lock_guard lock(g_mutex);
    for (const auto& server : g_servers)
        if (server.module == module) {
            FreeLibrary(module);
            return server.getClassObject;
        }
    const auto getClassObject = exportOf<DllGetClassObjectFn>(module, "DllGetClassObject");
    if (!getClassObject) {
        FreeLibrary(module);
        throw platform::WinError(CO_E_ERRORINDLL, "the server module has no DllGetClassObject");
    }
    g_servers.push_back({module, getClassObject, exportOf<DllCanUnloadNowFn>(module, "DllCanUnloadNow")});
    return getClassObject;
}

}  // namespace

namespace platform::com::own {

HRESULT getClassObject(const CLSID& clsid, DWORD context, const IID& iid, void** ppv) noexcept {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (!initialized()) return CO_E_NOTINITIALIZED;
    if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    return winHr([&] { return serverOf(clsid)(clsid, iid, ppv); });
}

// Each server is asked outside the lock: its DllCanUnloadNow may take a lock
// of its own that another of its threads holds while it activates. Asked
// servers are out of the list meanwhile; an activation then loads the module
// again and holds a reference of its own, so nothing goes while it is used.
void freeUnusedLibraries() noexcept {
    std::vector<LoadedServer> asked;
    {
        std::lock_guard lock(g_mutex);
        std::erase_if(g_servers, [&](const LoadedServer& server) {
            if (!server.canUnloadNow) return false;
            asked.push_back(server);
            return true;
        });
    }
    std::vector<HMODULE> unused;
    std::vector<LoadedServer> kept;
    for (const LoadedServer& server : asked) {
        if (server.canUnloadNow() == S_OK)
            unused.push_back(server.module);
        else
            kept.push_back(server);
    }
    {
        std::lock_guard lock(g_mutex);
        for (const LoadedServer& server : kept) {
            const bool reloaded =
                std::ranges::any_of(g_servers, [&](const LoadedServer& other) { return other.module == server.module; });
            if (reloaded)
                unused.push_back(server.module);  // the new entry holds the module
            else
                g_servers.push_back(server);
        }
    }
    for (const HMODULE module : unused) FreeLibrary(module);
}

void freeAllLibraries() noexcept {
    std::vector<LoadedServer> servers;
    {
        std::lock_guard lock(g_mutex);
        servers.swap(g_servers);
    }
    for (const auto& server : servers) FreeLibrary(server.module);
}

}  // namespace platform::com::own

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) noexcept {
    return platform::com::runtime().getClassObject(rclsid, dwClsContext, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries() noexcept { platform::com::runtime().freeUnusedLibraries(); }

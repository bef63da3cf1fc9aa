// Apartments: a count and a model per thread, and the number of initialised
// threads, whose end frees the loaded server modules.
#include <atomic>

#include "runtime.h"

namespace {

struct ThreadApartment {
    unsigned count = 0;
    DWORD model = COINIT_MULTITHREADED;
};

thread_local ThreadApartment t_apartment;
std::atomic<unsigned> g_initialisedThreads{0};

constexpr DWORD kKnownFlags =
    COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

}  // namespace

namespace platform::com::own {

HRESULT initialize(LPVOID reserved, DWORD coInit) noexcept {
    if (reserved || (coInit & ~kKnownFlags)) return E_INVALIDARG;
    const DWORD model = coInit & COINIT_APARTMENTTHREADED;
    auto& apartment = t_apartment;
    if (apartment.count > 0) {
        if (apartment.model != model) return RPC_E_CHANGED_MODE;
        ++apartment.count;
        return S_FALSE;
    }
    apartment.count = 1;
    apartment.model = model;
    ++g_initialisedThreads;
    return S_OK;
}

void uninitialize() noexcept {
    auto& apartment = t_apartment;
    if (apartment.count == 0 || --apartment.count > 0) return;
    clearErrorInfo();
    if (--g_initialisedThreads == 0) freeAllLibraries();
}

bool initialized() noexcept { return t_apartment.count > 0; }

}  // namespace platform::com::own

HRESULT CoInitialize(LPVOID pvReserved) noexcept {
    return platform::com::runtime().initialize(pvReserved, COINIT_APARTMENTTHREADED);
}

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) noexcept {
    return platform::com::runtime().initialize(pvReserved, dwCoInit);
}

void CoUninitialize() noexcept { platform::com::runtime().uninitialize(); }

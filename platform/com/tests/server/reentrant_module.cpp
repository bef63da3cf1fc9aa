// A server module whose DllCanUnloadNow asks the runtime for a class object:
// a server does so in effect when it counts its objects under a lock that
// another of its threads holds while that thread activates an object.
#include "win32/com.h"

namespace {

// {5C2B6F20-7A41-4E55-9D3B-1F0C2A6E8B01}
constexpr CLSID kReentrant = {0x5C2B6F20, 0x7A41, 0x4E55, {0x9D, 0x3B, 0x1F, 0x0C, 0x2A, 0x6E, 0x8B, 0x01}};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) {
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    void* factory = nullptr;
    if (SUCCEEDED(CoGetClassObject(kReentrant, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &factory)))
        static_cast<IUnknown*>(factory)->Release();
    return S_OK;
}

// The class object of a test's stand-in module: it lives as long as the
// module, so its references are not counted, and locking the module is
// no concern of a module that never unloads.
#pragma once

#include "win32/com.h"

class UncountedClassFactory : public IClassFactory {
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
    HRESULT LockServer(BOOL) override { return S_OK; }

protected:
    ~UncountedClassFactory() = default;
};

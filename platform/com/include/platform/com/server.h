// The four entry points of an in-process server, from a table of its
// creatable classes and the number of its registration script (resource
// REGISTRY <number>, see README). Registration runs the script with the
// module's path and registers the module's type library (resource
// TYPELIB 1); unregistration undoes both.
//
//   const platform::com::ServerClass kClasses[] = {
//       platform::com::serverClass<Widget>(CLSID_Widget),
//   };
//   TESK_COM_SERVER(kClasses, 101)
#pragma once

#include <span>

#include "platform/com/object.h"

namespace platform::com {

struct ServerClass {
    const CLSID* clsid;
    HRESULT (*createFactory)(const IID& iid, void** ppv) noexcept;
};

template <class T>
constexpr ServerClass serverClass(const CLSID& clsid) {
    return {&clsid, [](const IID& iid, void** ppv) noexcept {
                return ClassFactory<T>::create(nullptr, iid, ppv);
            }};
}

// CLASS_E_CLASSNOTAVAILABLE for a class not in the table.
HRESULT getClassObject(std::span<const ServerClass> classes, const CLSID& clsid, const IID& iid, void** ppv) noexcept;
// S_OK when the module holds no lock, else S_FALSE.
HRESULT canUnloadNow() noexcept;
// SELFREG_E_CLASS when the script fails, SELFREG_E_TYPELIB when the type
// library does; unregistration goes on after a failure and reports the
// first.
HRESULT registerServer(WORD registryScript) noexcept;
HRESULT unregisterServer(WORD registryScript) noexcept;
// One more script of a module that registers in several steps, without the
// type library; SELFREG_E_CLASS when it fails.
HRESULT registerScript(WORD registryScript) noexcept;
HRESULT unregisterScript(WORD registryScript) noexcept;

}  // namespace platform::com

#define TESK_COM_EXPORT extern "C" __attribute__((visibility("default")))

#define TESK_COM_SERVER(classes, registryScript)                                                 \
    TESK_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {       \
        return ::platform::com::getClassObject(classes, rclsid, riid, ppv);                      \
    }                                                                                            \
    TESK_COM_EXPORT HRESULT DllCanUnloadNow() { return ::platform::com::canUnloadNow(); }        \
    TESK_COM_EXPORT HRESULT DllRegisterServer() { return ::platform::com::registerServer(registryScript); } \
    TESK_COM_EXPORT HRESULT DllUnregisterServer() { return ::platform::com::unregisterServer(registryScript); }

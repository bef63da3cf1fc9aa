// The entry points of libmirelo.so: its one creatable class, and
// registration in two steps, the application id (resource REGISTRY 101)
// and then the class with the type library (REGISTRY 102).
#include "mirelo_module.h"

#include "platform/com/server.h"
#include "signer_kyd_class.h"

namespace {

constexpr WORD kAppIdScript = 101;
constexpr WORD kClassScript = 102;

const platform::com::ServerClass kClasses[] = {platform::com::serverClass<CSignerKyd>(CLSID_SignerKyd)};

// "user" in any case, the terminating zero included: "users" is not it.
bool namesTheUser(LPCWSTR commandLine) {
    if (!commandLine) return false;
    constexpr char16_t kUser[] = u"user";
    for (int i = 0; i < 5; ++i) {
        char16_t c = commandLine[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != kUser[i]) return false;
        if (c == 0) return true;
    }
    return true;
}

}  // namespace

TESK_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::getClassObject(kClasses, rclsid, riid, ppv);
}

TESK_COM_EXPORT HRESULT DllCanUnloadNow() { return platform::com::canUnloadNow(); }

// A registration that fails half-way takes back all it may have written.
TESK_COM_EXPORT HRESULT DllRegisterServer() {
    HRESULT hr = platform::com::registerScript(kAppIdScript);
    if (SUCCEEDED(hr)) hr = platform::com::registerServer(kClassScript);
    if (FAILED(hr)) {
        platform::com::unregisterServer(kClassScript);
        platform::com::unregisterScript(kAppIdScript);
    }
    return hr;
}

TESK_COM_EXPORT HRESULT DllUnregisterServer() {
    if (const HRESULT hr = platform::com::unregisterServer(kClassScript); FAILED(hr)) return hr;
    return platform::com::unregisterScript(kAppIdScript);
}

TESK_COM_EXPORT HRESULT DllInstall(BOOL install, LPCWSTR commandLine) {
    // Registration for the current user alone needs HKEY_CLASSES_ROOT
    // redirected to HKCU\Software\Classes, which the layer cannot do yet:
    // refused, rather than registered for the whole machine.
    if (namesTheUser(commandLine)) return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    return install ? DllRegisterServer() : DllUnregisterServer();
}

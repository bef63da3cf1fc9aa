// The entry points of libmirelo.so: its one creatable class, and
// registration in two steps, the application id (resource REGISTRY 101)
// and then the class with the type library (REGISTRY 102), for the machine
// or for the current user alone.
#include "mirelo_module.h"

#include "platform/com/server.h"
#include "signer_kyd_class.h"
#include "win32/datetime.h"
#include "win32/registry.h"

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

// Registration runs in the system's default locale, whatever the calling
// thread uses; the thread gets its own back afterwards.
class SystemLocaleScope {
public:
    SystemLocaleScope() : m_saved(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemLocaleScope() { SetThreadLocale(m_saved); }
    SystemLocaleScope(const SystemLocaleScope&) = delete;
    SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

private:
    LCID m_saved;
};

// While it lives, HKEY_CLASSES_ROOT stands for HKCU\Software\Classes, so
// what registration writes there is the current user's alone.
class UserClassesScope {
public:
    UserClassesScope() {
        HKEY userClasses = nullptr;
        m_result = RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                   &userClasses, nullptr);
        if (m_result != ERROR_SUCCESS) return;
        m_result = RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses);
        RegCloseKey(userClasses);
    }
    ~UserClassesScope() {
        if (m_result == ERROR_SUCCESS) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    UserClassesScope(const UserClassesScope&) = delete;
    UserClassesScope& operator=(const UserClassesScope&) = delete;

    LONG result() const { return m_result; }

private:
    LONG m_result;
};

HRESULT installOrRemove(BOOL install) {
    if (!install) return DllUnregisterServer();
    const HRESULT hr = DllRegisterServer();
    if (FAILED(hr)) DllUnregisterServer();
    return hr;
}

}  // namespace

TESK_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return platform::com::getClassObject(kClasses, rclsid, riid, ppv);
}

TESK_COM_EXPORT HRESULT DllCanUnloadNow() { return platform::com::canUnloadNow(); }

// A registration that fails half-way takes back all it may have written.
TESK_COM_EXPORT HRESULT DllRegisterServer() {
    SystemLocaleScope locale;
    HRESULT hr = platform::com::registerScript(kAppIdScript);
    if (SUCCEEDED(hr)) hr = platform::com::registerServer(kClassScript);
    if (FAILED(hr)) {
        platform::com::unregisterServer(kClassScript);
        platform::com::unregisterScript(kAppIdScript);
    }
    return hr;
}

TESK_COM_EXPORT HRESULT DllUnregisterServer() {
    SystemLocaleScope locale;
    if (const HRESULT hr = platform::com::unregisterServer(kClassScript); FAILED(hr)) return hr;
    return platform::com::unregisterScript(kAppIdScript);
}

// "user" registers or removes the current user's classes only; any other
// command line ("users" too) the machine's. A failed registration is taken
// back.
TESK_COM_EXPORT HRESULT DllInstall(BOOL install, LPCWSTR commandLine) {
    if (!namesTheUser(commandLine)) return installOrRemove(install);
    const UserClassesScope userClasses;
    if (userClasses.result() != ERROR_SUCCESS) return HRESULT_FROM_WIN32(userClasses.result());
    return installOrRemove(install);
}

#include "p11_module.h"

#include <map>
#include <mutex>

#include "p11_errors.h"
#include "platform/paths.h"
#include "platform/win_error.h"
#include "win32/error.h"
#include "win32/modules.h"

namespace platform::crypt::p11 {

namespace {

std::mutex& modulesMutex() {
    static std::mutex m;
    return m;
}

std::map<std::u16string, std::weak_ptr<Module>>& loadedModules() {
    static std::map<std::u16string, std::weak_ptr<Module>> modules;
    return modules;
}

}  // namespace

std::shared_ptr<Module> Module::load(const std::u16string& imagePath) {
    std::lock_guard lock(modulesMutex());
    if (auto existing = loadedModules()[imagePath].lock()) return existing;

    const DWORD saved = GetLastError();
    const HMODULE library = LoadLibraryW(imagePath.c_str());
    SetLastError(saved);
    if (!library) throw WinError(NTE_PROV_DLL_NOT_FOUND, "cannot load " + paths::toAnsi(paths::fromWindows(imagePath)));
    auto getList = reinterpret_cast<CK_C_GetFunctionList>(GetProcAddress(library, "C_GetFunctionList"));
    CK_FUNCTION_LIST* functions = nullptr;
    if (!getList || getList(&functions) != CKR_OK || !functions) {
        FreeLibrary(library);
        throw WinError(NTE_PROVIDER_DLL_FAIL, "not a PKCS #11 module");
    }
    // The module may be called from any thread of the process.
    CK_C_INITIALIZE_ARGS args{nullptr, nullptr, nullptr, nullptr, CKF_OS_LOCKING_OK, nullptr};
    const CK_RV rv = functions->C_Initialize(&args);
    if (rv != CKR_OK && rv != CKR_CRYPTOKI_ALREADY_INITIALIZED) {
        FreeLibrary(library);
        throw WinError(NTE_PROVIDER_DLL_FAIL, "C_Initialize failed");
    }
    std::shared_ptr<Module> module(new Module(library, functions, rv == CKR_OK));
    loadedModules()[imagePath] = module;
    return module;
}

// Under the lock, so that a load of the same module waits until it is gone.
Module::~Module() {
    std::lock_guard lock(modulesMutex());
    if (m_finalize) m_functions->C_Finalize(nullptr);
    FreeLibrary(m_library);
}

std::vector<CK_SLOT_ID> Module::slots(bool withToken) const {
    const CK_BBOOL present = withToken ? CK_TRUE : CK_FALSE;
    for (;;) {
        CK_ULONG count = 0;
        check(m_functions->C_GetSlotList(present, nullptr, &count), "C_GetSlotList");
        std::vector<CK_SLOT_ID> slots(count);
        const CK_RV rv = m_functions->C_GetSlotList(present, slots.data(), &count);
        if (rv == CKR_BUFFER_TOO_SMALL) continue;  // a token arrived between the calls
        check(rv, "C_GetSlotList");
        slots.resize(count);
        return slots;
    }
}

CK_INFO Module::info() const {
    CK_INFO info{};
    check(m_functions->C_GetInfo(&info), "C_GetInfo");
    return info;
}

std::string paddedText(const CK_UTF8CHAR* field, std::size_t size) {
    std::string s(reinterpret_cast<const char*>(field), size);
    s.erase(s.find_last_not_of(" \0", std::string::npos, 2) + 1);
    return s;
}

}  // namespace platform::crypt::p11

// A PKCS #11 module for tests that passes every call to SoftHSM2 and
// behaves as some cards do where SoftHSM2 cannot:
// - TESTKIT_P11_CAPACITY=N: the token is full at N objects, and
//   C_CreateObject answers CKR_DEVICE_MEMORY;
// - TESTKIT_P11_LABEL_LENGTH=L: a length query of CKA_LABEL answers L;
// - always: C_DestroyObject during an object search of its session answers
//   CKR_OPERATION_ACTIVE.
// Settings are read on every call, so a test may change them between calls.
#include <dlfcn.h>
#include <p11-kit/pkcs11.h>

#include <cstdlib>
#include <mutex>
#include <set>

namespace {

constexpr const char* kRealModule = "/usr/lib/softhsm/libsofthsm2.so";

CK_FUNCTION_LIST g_shim;
CK_FUNCTION_LIST_PTR g_real = nullptr;
std::mutex g_mutex;
std::set<CK_SESSION_HANDLE> g_searching;

bool setting(const char* name, CK_ULONG& out) {
    const char* value = std::getenv(name);
    if (!value || !*value) return false;
    out = std::strtoul(value, nullptr, 10);
    return true;
}

bool searching(CK_SESSION_HANDLE session) {
    const std::lock_guard lock(g_mutex);
    return g_searching.count(session) != 0;
}

void setSearching(CK_SESSION_HANDLE session, bool active) {
    const std::lock_guard lock(g_mutex);
    if (active)
        g_searching.insert(session);
    else
        g_searching.erase(session);
}

CK_ULONG objectCount(CK_SESSION_HANDLE session, CK_ULONG limit) {
    CK_ULONG count = 0;
    if (g_real->C_FindObjectsInit(session, nullptr, 0) != CKR_OK) return 0;
    CK_OBJECT_HANDLE object = 0;
    CK_ULONG found = 0;
    while (count < limit && g_real->C_FindObjects(session, &object, 1, &found) == CKR_OK && found == 1) ++count;
    g_real->C_FindObjectsFinal(session);
    return count;
}

CK_RV createObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR templ, CK_ULONG count, CK_OBJECT_HANDLE_PTR out) {
    CK_ULONG capacity = 0;
    if (setting("TESTKIT_P11_CAPACITY", capacity) && objectCount(session, capacity) >= capacity)
        return CKR_DEVICE_MEMORY;
    return g_real->C_CreateObject(session, templ, count, out);
}

CK_RV destroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object) {
    if (searching(session)) return CKR_OPERATION_ACTIVE;
    return g_real->C_DestroyObject(session, object);
}

CK_RV findObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR templ, CK_ULONG count) {
    const CK_RV rv = g_real->C_FindObjectsInit(session, templ, count);
    if (rv == CKR_OK) setSearching(session, true);
    return rv;
}

CK_RV findObjectsFinal(CK_SESSION_HANDLE session) {
    setSearching(session, false);
    return g_real->C_FindObjectsFinal(session);
}

CK_RV getAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR templ, CK_ULONG count) {
    const CK_RV rv = g_real->C_GetAttributeValue(session, object, templ, count);
    CK_ULONG length = 0;
    if (rv == CKR_OK && setting("TESTKIT_P11_LABEL_LENGTH", length))
        for (CK_ULONG i = 0; i < count; ++i)
            if (templ[i].type == CKA_LABEL && !templ[i].pValue) templ[i].ulValueLen = length;
    return rv;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR out) {
    if (!out) return CKR_ARGUMENTS_BAD;
    if (!g_real) {
        void* module = dlopen(kRealModule, RTLD_NOW | RTLD_LOCAL);
        if (!module) return CKR_GENERAL_ERROR;
        auto* getList = reinterpret_cast<CK_C_GetFunctionList>(dlsym(module, "C_GetFunctionList"));
        if (!getList || getList(&g_real) != CKR_OK) return CKR_GENERAL_ERROR;
        g_shim = *g_real;
        g_shim.C_CreateObject = createObject;
        g_shim.C_DestroyObject = destroyObject;
        g_shim.C_FindObjectsInit = findObjectsInit;
        g_shim.C_FindObjectsFinal = findObjectsFinal;
        g_shim.C_GetAttributeValue = getAttributeValue;
    }
    *out = &g_shim;
    return CKR_OK;
}

// A PKCS#11 module for the signing tests: the module named by
// TESK_BLOCKED_PIN_TARGET (SoftHSM2) in every function but C_Login, which
// answers CKR_PIN_LOCKED as a card whose PIN is blocked does. SoftHSM2
// itself never blocks a PIN.
#include <dlfcn.h>

#include <cstdlib>

namespace {

using CK_RV = unsigned long;
constexpr CK_RV CKR_GENERAL_ERROR = 0x05;
constexpr CK_RV CKR_PIN_LOCKED = 0xA4;

// CK_FUNCTION_LIST of PKCS#11 2.x: the version, then the 68 functions in
// the standard's order, C_Login the nineteenth.
struct FunctionList {
    unsigned char version[2];
    void* functions[68];
};
constexpr int kLogin = 18;

FunctionList g_list;

CK_RV BlockedLogin(unsigned long, unsigned long, unsigned char*, unsigned long) { return CKR_PIN_LOCKED; }

}  // namespace

extern "C" __attribute__((visibility("default"))) CK_RV C_GetFunctionList(FunctionList** list) {
    const char* target = std::getenv("TESK_BLOCKED_PIN_TARGET");
    void* module = target ? dlopen(target, RTLD_NOW | RTLD_LOCAL) : nullptr;
    using GetFunctionList = CK_RV (*)(FunctionList**);
    const auto get = module ? reinterpret_cast<GetFunctionList>(dlsym(module, "C_GetFunctionList")) : nullptr;
    FunctionList* real = nullptr;
    if (!get || get(&real) != 0 || !real) return CKR_GENERAL_ERROR;
    g_list = *real;
    g_list.functions[kLogin] = reinterpret_cast<void*>(&BlockedLogin);
    *list = &g_list;
    return 0;
}

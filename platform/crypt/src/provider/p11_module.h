// A PKCS #11 module, loaded through LoadLibrary and initialised once for all
// the contexts that use it; finalised and unloaded with the last of them, so
// that the next use sees the module's configuration afresh.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "p11_types.h"
#include "win32/types.h"

namespace platform::crypt::p11 {

class Module {
public:
    // NTE_PROV_DLL_NOT_FOUND when the image cannot be loaded,
    // NTE_PROVIDER_DLL_FAIL when it is no PKCS #11 module or fails to start.
    static std::shared_ptr<Module> load(const std::u16string& imagePath);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const CK_FUNCTION_LIST& f() const noexcept { return *m_functions; }
    // The slots (only those holding a token, or all), in the module's order.
    std::vector<CK_SLOT_ID> slots(bool withToken) const;
    CK_INFO info() const;

private:
    Module(HMODULE library, CK_FUNCTION_LIST* functions, bool finalize)
        : m_library(library), m_functions(functions), m_finalize(finalize) {}
    HMODULE m_library;
    CK_FUNCTION_LIST* m_functions;
    bool m_finalize;
};

// A PKCS #11 text field: blank-padded UTF-8 without a terminator.
std::string paddedText(const CK_UTF8CHAR* field, std::size_t size);

}  // namespace platform::crypt::p11

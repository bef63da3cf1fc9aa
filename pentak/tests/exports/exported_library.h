// libpentak.so as a caller without COM uses it: loaded with dlopen, its
// functions found by name with dlsym and typed by the declarations of
// pentak_exports.h, which nothing here links.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "pentak_codes.h"
#include "pentak_exports.h"
#include "testkit/platform_root.h"
#include "win32/crypt_store.h"
#include "win32/error_codes.h"

namespace pentak_test {

// The software CSP and a Czech text as the 8-bit functions take them (windows-1250).
inline constexpr char kSoftwareProviderA[] = "Microsoft Enhanced Cryptographic Provider v1.0";
inline constexpr char kHorse1250[] = "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";

// Closes a store for platform::Owned.
inline void closeStore(HCERTSTORE store) { CertCloseStore(store, 0); }

class ExportedLibrary {
public:
    ExportedLibrary();
    ~ExportedLibrary();
    ExportedLibrary(const ExportedLibrary&) = delete;
    ExportedLibrary& operator=(const ExportedLibrary&) = delete;

    // The exported function of that name; std::runtime_error when the
    // library does not export it.
    template <class Function>
    Function* function(const char* name) const {
        return reinterpret_cast<Function*>(address(name));
    }

private:
    void* address(const char* name) const;

    void* m_handle = nullptr;
};

// A fresh machine and the library loaded into the test's process; no
// session until the test makes one.
class PentakExports : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
    ExportedLibrary library;
};

// The text an exported getter hands out (getter(buffer, &length)), asked
// for its size first; without its terminating zero (the last byte, or the
// last character).
std::string narrowText(HRESULT (*getter)(char*, DWORD*));
std::u16string wideText(HRESULT (*getter)(char16_t*, DWORD*));

}  // namespace pentak_test

// The exported function `name` of `library`, typed by its declaration.
#define PENTAK_FUNCTION(library, name) (library).function<decltype(name)>(#name)

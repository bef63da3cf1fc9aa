// libpentak.so as a caller without COM uses it: loaded with dlopen, its
// functions found by name with dlsym and typed by the declarations of
// pentak_exports.h, which nothing here links.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "pentak_exports.h"
#include "testkit/platform_root.h"
#include "win32/error_codes.h"

namespace pentak_test {

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

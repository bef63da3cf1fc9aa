#include "exported_library.h"

#include <dlfcn.h>

#include <stdexcept>

namespace pentak_test {

ExportedLibrary::ExportedLibrary() : m_handle(dlopen(TESK_PENTAK_MODULE, RTLD_NOW | RTLD_LOCAL)) {
    EXPECT_NE(nullptr, m_handle) << dlerror();
}

ExportedLibrary::~ExportedLibrary() {
    if (m_handle) dlclose(m_handle);
}

void* ExportedLibrary::address(const char* name) const {
    void* found = m_handle ? dlsym(m_handle, name) : nullptr;
    if (!found) throw std::runtime_error(std::string(name) + " is not exported");
    return found;
}

namespace {

template <class Char>
std::basic_string<Char> textOf(HRESULT (*getter)(Char*, DWORD*)) {
    DWORD length = 0;
    EXPECT_EQ(S_OK, getter(nullptr, &length));
    if (length == 0) return {};
    std::basic_string<Char> text(length, Char{'#'});
    EXPECT_EQ(S_OK, getter(text.data(), &length));
    EXPECT_EQ(text.size(), length);
    EXPECT_EQ(Char{}, text.back());
    text.pop_back();
    return text;
}

}  // namespace

std::string narrowText(HRESULT (*getter)(char*, DWORD*)) { return textOf(getter); }
std::u16string wideText(HRESULT (*getter)(char16_t*, DWORD*)) { return textOf(getter); }

}  // namespace pentak_test

// liblumvar.so as a caller meets it: a fresh copy of the module, loaded with
// dlopen, every LUMVAR_ function bound by its name. A copy per test gives
// each test the library's state as it is right after loading.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "lumvar/lumvar.h"

namespace lumvar::testing {

class LoadedLumvar {
public:
    // Copies module into folder and loads the copy.
    LoadedLumvar(const std::filesystem::path& module, const std::filesystem::path& folder)
        : m_handle(load(module, folder)) {}
    ~LoadedLumvar() { dlclose(m_handle); }
    LoadedLumvar(const LoadedLumvar&) = delete;
    LoadedLumvar& operator=(const LoadedLumvar&) = delete;

    // The log so far, emptied.
    std::u16string takeLog() const {
        std::u16string text;
        EXPECT_EQ(0, GetLog(&text, 1));
        return text;
    }

private:
    static void* load(const std::filesystem::path& module, const std::filesystem::path& folder) {
        const std::filesystem::path copy = folder / module.filename();
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(module, copy, std::filesystem::copy_options::overwrite_existing);
        void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(dlerror());
        return handle;
    }

    // First: the bound functions below are looked up in it.
    void* m_handle;

    template <class Function>
    Function bind(const char* name) const {
        void* symbol = dlsym(m_handle, name);
        if (!symbol) throw std::runtime_error(std::string("liblumvar.so does not export ") + name);
        return reinterpret_cast<Function>(symbol);
    }

public:
#define LUMVAR_BOUND(name) decltype(&LUMVAR_##name) name = bind<decltype(&LUMVAR_##name)>("LUMVAR_" #name)
    LUMVAR_BOUND(LoadConfiguration);
    LUMVAR_BOUND(LoadConfiguration_C);
    LUMVAR_BOUND(Init);
    LUMVAR_BOUND(Close);
    LUMVAR_BOUND(SetLogLevel);
    LUMVAR_BOUND(SetCallback);
    LUMVAR_BOUND(CheckUpdates);
    LUMVAR_BOUND(CheckUpdates_C);
    LUMVAR_BOUND(DownloadUpdates);
    LUMVAR_BOUND(DownloadUpdates_C);
    LUMVAR_BOUND(DownloadUpdatesSingly);
    LUMVAR_BOUND(DownloadUpdatesSingly_C);
    LUMVAR_BOUND(DoUpdate);
    LUMVAR_BOUND(GetLog);
    LUMVAR_BOUND(GetLog_C);
    LUMVAR_BOUND(FreeLogBuffer);
    LUMVAR_BOUND(ClearLog);
    LUMVAR_BOUND(GetLastServerError);
    LUMVAR_BOUND(ClearLastServerError);
#undef LUMVAR_BOUND
};

}  // namespace lumvar::testing

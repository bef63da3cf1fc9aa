// LoadLibrary, FreeLibrary, GetProcAddress and GetModuleHandle over the
// dynamic loader. The loader counts the loads of each file itself, so a
// second load of the same file gives the same HMODULE and each FreeLibrary
// gives one count back, whichever copy of the layer makes the call.
#include <dlfcn.h>
#include <link.h>

#include "elf_image.h"
#include "loaded_modules.h"
#include "module_paths.h"
#include "platform/boundary.h"
#include "platform/paths.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace platform::modules {

namespace {

namespace fs = std::filesystem;

// Windows resolves a module's imports when it loads, and modules do not
// lend their symbols to each other: RTLD_NOW and RTLD_LOCAL.
constexpr int kLoadMode = RTLD_NOW | RTLD_LOCAL;
constexpr DWORD kKnownFlags = LOAD_LIBRARY_AS_DATAFILE | LOAD_WITH_ALTERED_SEARCH_PATH;

HMODULE moduleOfHandle(void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) throw WinError(ERROR_MOD_NOT_FOUND, "no link map");
    return moduleAt(map->l_ld);
}

HMODULE openFile(const fs::path& file) {
    if (!isLoadableObject(file)) throw WinError(ERROR_BAD_EXE_FORMAT, "not a loadable shared object: " + file.string());
    void* handle = dlopen(file.c_str(), kLoadMode);
    // The file itself is sound, so what is missing is one of its dependencies or their symbols.
    if (!handle) throw WinError(ERROR_MOD_NOT_FOUND, dlerror());
    return moduleOfHandle(handle);
}

HMODULE load(const fs::path& name, HANDLE file, DWORD flags) {
    // LOAD_LIBRARY_AS_DATAFILE loads the module as for running: its resources are then read from the image.
    if (file || (flags & ~kKnownFlags)) throw WinError(ERROR_INVALID_PARAMETER, "unsupported LoadLibraryEx arguments");
    if (name.empty()) throw WinError(ERROR_MOD_NOT_FOUND, "empty module name");
    if (const auto found = resolvePath(name); !found.empty()) return openFile(found);
    if (!name.has_parent_path())
        for (const auto& candidate : fileNamesFor(name))
            if (void* handle = dlopen(candidate.c_str(), kLoadMode)) return moduleOfHandle(handle);
    throw WinError(ERROR_MOD_NOT_FOUND, "module not found: " + name.string());
}

HMODULE loaded(const fs::path& name) {
    const auto modules = loadedModules();
    if (name.has_parent_path()) {
        std::error_code ec;
        if (const auto file = resolvePath(name); !file.empty())
            for (const auto& m : modules)
                if (fs::equivalent(m.file, file, ec)) return m.module;
    } else {
        const auto names = fileNamesFor(name);
        for (const auto& m : modules)
            for (const auto& candidate : names)
                if (sameNameNoCase(m.file.filename().string(), candidate)) return m.module;
    }
    throw WinError(ERROR_MOD_NOT_FOUND, "module not loaded: " + name.string());
}

fs::path pathOf(LPCSTR ansiName) {
    if (!ansiName) throw WinError(ERROR_INVALID_PARAMETER, "null module name");
    return paths::fromWindowsAnsi(ansiName);
}

fs::path pathOf(LPCWSTR name) {
    if (!name) throw WinError(ERROR_INVALID_PARAMETER, "null module name");
    return paths::fromWindows(name);
}

}  // namespace

}  // namespace platform::modules

namespace modules = platform::modules;

HMODULE LoadLibraryA(LPCSTR lpLibFileName) noexcept { return LoadLibraryExA(lpLibFileName, nullptr, 0); }

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) noexcept { return LoadLibraryExW(lpLibFileName, nullptr, 0); }

HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) noexcept {
    return platform::winValue<HMODULE>(nullptr,
                                       [&] { return modules::load(modules::pathOf(lpLibFileName), hFile, dwFlags); });
}

HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) noexcept {
    return platform::winValue<HMODULE>(nullptr,
                                       [&] { return modules::load(modules::pathOf(lpLibFileName), hFile, dwFlags); });
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) noexcept {
    return platform::winValue<FARPROC>(nullptr, [&] {
        // Ordinals do not exist here: a small-integer name is never found.
        void* symbol = IS_INTRESOURCE(lpProcName)
                           ? nullptr
                           : modules::findExport(hModule ? hModule : modules::mainProgram(), lpProcName);
        if (!symbol) throw platform::WinError(ERROR_PROC_NOT_FOUND, "procedure not found");
        return reinterpret_cast<FARPROC>(symbol);
    });
}

BOOL FreeLibrary(HMODULE hLibModule) noexcept {
    return platform::winBool([&] {
        if (hLibModule == modules::mainProgram()) return true;
        void* handle = modules::loaderHandleOf(hLibModule).release();
        dlclose(handle);  // the count loaderHandleOf took
        // The count of the caller's load. A module that came with the program
        // has none to give back and stays, as on Windows; that is no failure.
        dlclose(handle);
        return true;
    });
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) noexcept {
    return platform::winValue<HMODULE>(nullptr, [&] {
        return lpModuleName ? modules::loaded(modules::pathOf(lpModuleName)) : modules::mainProgram();
    });
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName) noexcept {
    return platform::winValue<HMODULE>(nullptr, [&] {
        return lpModuleName ? modules::loaded(modules::pathOf(lpModuleName)) : modules::mainProgram();
    });
}

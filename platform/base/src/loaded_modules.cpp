#include "loaded_modules.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/auxv.h>

#include "platform/modules.h"
#include "platform/win_error.h"

namespace platform::modules {

namespace {

// An object of this copy of the layer: its address tells which module the copy is linked into.
const char kAnchor = 0;

const std::filesystem::path kOwnExecutable = "/proc/self/exe";

}  // namespace

HMODULE moduleAt(const void* address) noexcept {
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fbase) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE mainProgram() noexcept { return moduleAt(reinterpret_cast<const void*>(getauxval(AT_PHDR))); }

HMODULE thisModule() noexcept { return moduleAt(&kAnchor); }

void requireLoaded(HMODULE module) {
    if (!module || moduleAt(module) != module) throw WinError(ERROR_MOD_NOT_FOUND, "not a loaded module");
}

std::vector<LoadedModule> loadedModules() {
    std::vector<LoadedModule> found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            auto& list = *static_cast<std::vector<LoadedModule>*>(data);
            const HMODULE module = moduleAt(info->dlpi_phdr);
            const bool first = list.empty();
            if (module && (first || (info->dlpi_name && *info->dlpi_name)))
                list.push_back({module, first ? std::filesystem::path() : std::filesystem::path(info->dlpi_name)});
            return 0;
        },
        &found);
    if (!found.empty()) found.front().file = fileOf(nullptr);
    return found;
}

void CloseLoaderHandle::operator()(void* handle) const noexcept { dlclose(handle); }

LoaderHandle loaderHandleOf(HMODULE module) {
    requireLoaded(module);
    if (module == mainProgram()) return LoaderHandle(dlopen(nullptr, RTLD_NOW));
    const auto file = fileOf(module);
    LoaderHandle handle(dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD));
    if (!handle) throw WinError(ERROR_MOD_NOT_FOUND, "module is no longer loaded: " + file.string());
    return handle;
}

void* findExport(HMODULE module, const char* name) {
    const auto handle = loaderHandleOf(module);
    void* symbol = dlsym(handle.get(), name);
    // dlsym also searches the module's dependencies; Windows looks at the module alone.
    return moduleAt(symbol) == module ? symbol : nullptr;
}

std::filesystem::path fileOf(HMODULE module) {
    if (!module || module == mainProgram()) return std::filesystem::read_symlink(kOwnExecutable);
    requireLoaded(module);
    Dl_info info{};
    dladdr(module, &info);
    return info.dli_fname ? std::filesystem::path(info.dli_fname) : std::filesystem::path();
}

}  // namespace platform::modules

// The objects the dynamic loader has mapped into the process. An HMODULE is
// the address where a module's image begins, as on Windows, so every copy of
// the layer (one per shared object and program) agrees on it, and a value
// that names no loaded image is refused instead of reaching the loader.
#pragma once

#include <filesystem>
#include <vector>

#include "platform/owned.h"
#include "win32/types.h"

namespace platform::modules {

// The module whose image holds the address, or null.
HMODULE moduleAt(const void* address) noexcept;
HMODULE mainProgram() noexcept;
// Throws WinError(ERROR_MOD_NOT_FOUND) unless the value is a loaded module.
void requireLoaded(HMODULE module);

struct LoadedModule {
    HMODULE module;
    std::filesystem::path file;
};
// The program first, then the shared objects in load order.
std::vector<LoadedModule> loadedModules();

// The loader's handle for a loaded module, holding one count of its own.
struct CloseLoaderHandle {
    void operator()(void* handle) const noexcept;
};
using LoaderHandle = std::unique_ptr<void, CloseLoaderHandle>;
LoaderHandle loaderHandleOf(HMODULE module);

// The address of a symbol the module itself defines and exports (not one of
// its dependencies'), or null.
void* findExport(HMODULE module, const char* name);

}  // namespace platform::modules

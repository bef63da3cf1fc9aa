// Finding the serving runtime: the program's table when it exports one,
// else this copy's own.
#include "runtime.h"

#include <dlfcn.h>

using platform::com::Runtime;

namespace {

const Runtime kOwnRuntime = {
    sizeof(Runtime),
    platform::com::own::initialize,
    platform::com::own::uninitialize,
    platform::com::own::getClassObject,
    platform::com::own::freeUnusedLibraries,
    platform::com::own::setErrorInfo,
    platform::com::own::getErrorInfo,
    platform::com::own::createErrorInfo,
    platform::com::own::loadTypeLib,
};

using RuntimeEntry = const Runtime* (*)();

const Runtime& findRuntime() noexcept {
    // A table of another size comes from a different build: not one to share.
    if (auto entry = reinterpret_cast<RuntimeEntry>(dlsym(RTLD_DEFAULT, "tesk_com_runtime_v1")))
        if (const Runtime* shared = entry(); shared && shared->size == sizeof(Runtime)) return *shared;
    return kOwnRuntime;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const Runtime* tesk_com_runtime_v1() { return &kOwnRuntime; }

namespace platform::com {

const Runtime& runtime() noexcept {
    static const Runtime& serving = findRuntime();
    return serving;
}

}  // namespace platform::com

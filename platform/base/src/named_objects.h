// Named events and mutexes: one name space for the process. A name lives as
// long as some handle refers to its object, as on Windows.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dispatcher.h"
#include "platform/win_error.h"
#include "win32/error.h"

namespace platform::sync {

struct NamedObject {
    std::shared_ptr<Waitable> object;
    bool existed;
};

// The object already called `name`, else the one `make` returns, kept under that name.
NamedObject findOrAddNamed(std::u16string_view name, const std::function<std::shared_ptr<Waitable>()>& make);

// The handle that CreateEvent and CreateMutex return for a new or named object,
// with their last error: ERROR_ALREADY_EXISTS for an existing name, else ERROR_SUCCESS.
template <class T, class Make>
HANDLE createSyncObject(std::u16string_view name, const Make& make) {
    std::shared_ptr<Waitable> object;
    bool existed = false;
    if (name.empty()) {
        object = make();
    } else {
        auto named = findOrAddNamed(name, make);
        if (!std::dynamic_pointer_cast<T>(named.object))
            throw WinError(ERROR_INVALID_HANDLE, "the name belongs to another kind of object");
        object = std::move(named.object);
        existed = named.existed;
    }
    HANDLE handle = addKernelObject(std::move(object));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

// Name arguments as the callers pass them: null means unnamed.
std::u16string nameOf(LPCWSTR name);
std::u16string nameOf(LPCSTR ansiName);

}  // namespace platform::sync

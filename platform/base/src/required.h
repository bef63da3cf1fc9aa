// Pointer arguments the caller must supply: a null one is
// ERROR_INVALID_PARAMETER rather than a crash.
#pragma once

#include "platform/win_error.h"

namespace platform {

template <class T>
T& required(T* p) {
    if (!p) throw WinError(ERROR_INVALID_PARAMETER, "required pointer is null");
    return *p;
}

}  // namespace platform

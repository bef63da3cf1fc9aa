// Calling a vtable function whose signature is known only at run time
// (from type information), over libffi. libffi's header stays in
// ffi_call.cpp.
#pragma once

#include <cstddef>
#include <span>

#include "win32/types.h"

namespace platform::com {

// How one argument travels: by value in the machine's calling convention.
enum class ArgKind { Byte, Short, Long, ULong, Double, Pointer, Variant };

// Calls the function in vtable slot `slot` of the interface pointer
// `instance` with `instance` followed by the arguments; values[i] points
// at the storage of argument i. The function returns an HRESULT.
HRESULT callVtableSlot(void* instance, std::size_t slot, std::span<const ArgKind> kinds, std::span<void*> values);

}  // namespace platform::com

// What the variant functions need to know of each type.
#pragma once

#include <cstddef>

#include "win32/oleauto.h"

namespace platform::com {

// The bytes of a value of a scalar type (VT_I2 ... VT_UINT, VT_BSTR and the
// interfaces as pointers); 0 for types a variant cannot hold by value.
std::size_t valueSize(VARTYPE vt) noexcept;

// True for the vt values a VARIANT may carry (with VT_BYREF and VT_ARRAY).
bool isValidVariantType(VARTYPE vt) noexcept;

// The value a VT_BYREF variant refers to, as a variant that does not own it
// (a VT_VARIANT reference gives the referenced variant itself, one level).
// Throws WinError(DISP_E_BADVARTYPE) for a reference of an unknown type,
// WinError(E_INVALIDARG) for a null reference.
VARIANT dereferenced(const VARIANT& byRef);

}  // namespace platform::com

// The access a key handle was opened with, and its checks. As on Windows,
// opening, creating and deleting subkeys depend on the key's security (here:
// always allowed), not on the rights of the handle they go through.
#pragma once

#include "win32/registry.h"

namespace platform::registry {

// Every right a key has, given to the predefined keys.
inline constexpr REGSAM kAllAccess = KEY_ALL_ACCESS;
inline constexpr REGSAM kDelete = 0x00010000;

// The rights a request grants: generic rights mapped to key rights, the
// WOW64 view bits (one view here) dropped.
REGSAM grantedAccess(REGSAM desired) noexcept;
// ERROR_ACCESS_DENIED unless `granted` has every right in `needed`.
void requireAccess(REGSAM granted, REGSAM needed);

}  // namespace platform::registry

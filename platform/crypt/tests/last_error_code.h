// The value GetLastError gives for a failure the layer names by its HRESULT
// (CRYPT_E_*, CERT_E_*, NTE_*).
#pragma once

#include "win32/error.h"

inline DWORD code(HRESULT hr) { return static_cast<DWORD>(hr); }

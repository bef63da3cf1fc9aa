// A hash computed by a provider over data fed in pieces of at most 65,535
// bytes, as older providers take them.
#pragma once

#include <vector>

#include "win32/crypt_types.h"

// The hash's value replaces out; nonzero on success. The provider's error
// stays the thread's last error on failure.
DWORD HashInPieces(HCRYPTPROV provider, const BYTE* data, DWORD length, ALG_ID algId, std::vector<BYTE>& out);

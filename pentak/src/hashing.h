// Hashes the enrolment library computes outside a held provider.
#pragma once

#include <string>
#include <vector>

#include "win32/types.h"

// The hash of the data with a verify context of the named provider; an
// empty vector fails with ERROR_INVALID_PARAMETER.
bool HashWithProvider(const std::u16string& provider, DWORD type, ALG_ID algId, const std::vector<BYTE>& data,
                      std::vector<BYTE>& out);

// The only place a PKCS #11 result becomes a Windows code.
#pragma once

#include <string_view>

#include "p11_types.h"
#include "win32/types.h"

namespace platform::crypt::p11 {

DWORD winCodeOf(CK_RV rv) noexcept;
// Throws WinError(winCodeOf(rv)) naming the call and the original value,
// unless rv is CKR_OK.
void check(CK_RV rv, std::string_view call);

}  // namespace platform::crypt::p11

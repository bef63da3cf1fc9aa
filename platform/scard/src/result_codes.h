// The one place where a pcsc-lite result becomes a WinSCard code.
#pragma once

#include <string_view>

#include "lite.h"
#include "win32/types.h"

namespace platform::scard {

DWORD winCodeOf(lite::Result result) noexcept;

// Throws WinError with the WinSCard code of a failed call; success returns.
void check(lite::Result result, std::string_view call);

}  // namespace platform::scard

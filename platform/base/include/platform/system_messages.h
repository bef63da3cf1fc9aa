// The table of system texts behind FormatMessage, for code inside the layer.
#pragma once

#include <string_view>

#include "win32/types.h"

namespace platform {

// The English text for a Win32 code or HRESULT, without the line end; empty
// when the system has none.
std::string_view systemMessage(DWORD code) noexcept;

}  // namespace platform

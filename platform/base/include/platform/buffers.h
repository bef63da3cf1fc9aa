// The two-call buffer rule of Windows size queries, written once.
#pragma once

#include <span>
#include <string_view>

#include "win32/error_codes.h"

namespace platform {

// Null buffer: report the size. Short buffer: ERROR_MORE_DATA, and still
// report the size. A null size pointer is ERROR_INVALID_PARAMETER.
void copyOut(std::span<const BYTE> value, BYTE* pb, DWORD* pcb, DWORD shortCode = ERROR_MORE_DATA);

// Text twins: the count is in characters and includes the terminating NUL.
void copyOutText(std::string_view value, char* psz, DWORD* pcch, DWORD shortCode = ERROR_MORE_DATA);
void copyOutText(std::u16string_view value, WCHAR* psz, DWORD* pcch, DWORD shortCode = ERROR_MORE_DATA);

}  // namespace platform

// Texts the provider functions hand out, by the two-call rule: ANSI with
// its NUL, or UTF-16 counted in bytes with its NUL.
#pragma once

#include <string_view>

#include "win32/types.h"

namespace platform::crypt::provider {

void copyOutAnsi(std::u16string_view text, BYTE* pb, DWORD* pcb);
void copyOutWideBytes(std::u16string_view text, BYTE* pb, DWORD* pcb);
void copyOutDword(DWORD value, BYTE* pb, DWORD* pcb);

}  // namespace platform::crypt::provider

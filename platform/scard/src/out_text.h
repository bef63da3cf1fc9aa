// Handing texts and multi-strings to SCard* callers: the count is in
// characters with every NUL; a null buffer asks for the size; a short buffer
// is SCARD_E_INSUFFICIENT_BUFFER with the size still reported; a count of
// SCARD_AUTOALLOCATE makes the buffer argument a Char** that receives memory
// for SCardFreeMemory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace platform::scard {

void copyOutString(std::string_view value, char* out, DWORD* pcch);
void copyOutString(std::u16string_view value, WCHAR* out, DWORD* pcch);

// Each item followed by a NUL, and one more NUL at the end (two for none).
void copyOutMultiString(const std::vector<std::string>& items, char* out, DWORD* pcch);
void copyOutMultiString(const std::vector<std::u16string>& items, WCHAR* out, DWORD* pcch);

// Frees a block handed out for SCARD_AUTOALLOCATE; false when it is not one.
bool freeAutoAllocated(const void* block) noexcept;

}  // namespace platform::scard

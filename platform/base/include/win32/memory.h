// The local and global heaps: plain allocations that CryptoAPI and the
// system hand out and free with LocalFree / GlobalFree.
#pragma once

#include "win32/types.h"

inline constexpr UINT LMEM_FIXED = 0x0000;
inline constexpr UINT LMEM_ZEROINIT = 0x0040;
inline constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;
inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
inline constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) noexcept;
HLOCAL LocalFree(HLOCAL hMem) noexcept;  // null on success, as on Windows
SIZE_T LocalSize(HLOCAL hMem) noexcept;
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) noexcept;
HGLOBAL GlobalFree(HGLOBAL hMem) noexcept;
LPVOID GlobalLock(HGLOBAL hMem) noexcept;
BOOL GlobalUnlock(HGLOBAL hMem) noexcept;
SIZE_T GlobalSize(HGLOBAL hMem) noexcept;
HANDLE GetProcessHeap() noexcept;
LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) noexcept;
BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) noexcept;

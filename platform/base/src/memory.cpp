// The local, global and process heaps over malloc. Every live block is
// known, so a stale or forged pointer is refused with an error instead of
// corrupting the heap; a block from one of the three may be freed by any.
// Moveable global blocks keep their address, so the handle is the pointer
// and GlobalLock only counts.
#include "win32/memory.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "win32/error.h"

namespace {

struct Block {
    SIZE_T size;
    bool moveable;
    unsigned locks;
};

class Blocks {
public:
    void* allocate(SIZE_T bytes, bool zero, bool moveable) {
        // Zero bytes still give a block of its own, as on Windows.
        void* p = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
        if (!p) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        std::lock_guard lock(m_mutex);
        m_blocks.emplace(p, Block{bytes, moveable, 0});
        return p;
    }

    bool release(void* p) {
        {
            std::lock_guard lock(m_mutex);
            if (m_blocks.erase(p) == 0) return false;
        }
        std::free(p);
        return true;
    }

    // Calls f with the block, under the lock; false when p is no block.
    template <class F>
    bool with(void* p, F&& f) {
        std::lock_guard lock(m_mutex);
        auto it = m_blocks.find(p);
        if (it == m_blocks.end()) return false;
        f(it->second);
        return true;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<void*, Block> m_blocks;
};

Blocks& blocks() {
    static Blocks all;
    return all;
}

// The one heap GetProcessHeap names.
char g_processHeap;

HANDLE freeBlock(HANDLE h) {
    if (!h) return nullptr;
    if (blocks().release(h)) return nullptr;
    SetLastError(ERROR_INVALID_HANDLE);
    return h;
}

SIZE_T sizeOf(HANDLE h) {
    SIZE_T size = 0;
    if (!blocks().with(h, [&](const Block& b) { size = b.size; })) SetLastError(ERROR_INVALID_HANDLE);
    return size;
}

}  // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) noexcept {
    return blocks().allocate(uBytes, uFlags & LMEM_ZEROINIT, false);
}

HLOCAL LocalFree(HLOCAL hMem) noexcept { return freeBlock(hMem); }

SIZE_T LocalSize(HLOCAL hMem) noexcept { return sizeOf(hMem); }

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) noexcept {
    return blocks().allocate(dwBytes, uFlags & GMEM_ZEROINIT, uFlags & GMEM_MOVEABLE);
}

HGLOBAL GlobalFree(HGLOBAL hMem) noexcept { return freeBlock(hMem); }

LPVOID GlobalLock(HGLOBAL hMem) noexcept {
    if (blocks().with(hMem, [](Block& b) { b.locks += b.moveable ? 1 : 0; })) return hMem;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// TRUE while the block stays locked; FALSE with NO_ERROR once it is unlocked
// (a fixed block never is locked).
BOOL GlobalUnlock(HGLOBAL hMem) noexcept {
    unsigned locks = 0;
    if (!blocks().with(hMem, [&](Block& b) { locks = b.locks = b.locks ? b.locks - 1 : 0; })) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (locks > 0) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem) noexcept { return sizeOf(hMem); }

HANDLE GetProcessHeap() noexcept { return &g_processHeap; }

LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) noexcept {
    if (hHeap != &g_processHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return blocks().allocate(dwBytes, dwFlags & HEAP_ZERO_MEMORY, false);
}

BOOL HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) noexcept {
    if (hHeap != &g_processHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpMem || blocks().release(lpMem)) return TRUE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

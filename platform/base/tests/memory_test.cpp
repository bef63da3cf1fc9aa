// The local, global and process heaps.
#include "win32/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "win32/error.h"

namespace {

bool allZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

}  // namespace

TEST(LocalHeap, AllocateSizeAndFree) {
    HLOCAL p = LocalAlloc(LPTR, 100);
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(allZero(p, 100));
    EXPECT_EQ(100u, LocalSize(p));
    EXPECT_EQ(nullptr, LocalFree(p)) << "null on success";

    SetLastError(0);
    EXPECT_EQ(p, LocalFree(p)) << "a second free fails and returns the handle";
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
    int onStack = 0;
    EXPECT_EQ(&onStack, LocalFree(&onStack));
    EXPECT_EQ(0u, LocalSize(&onStack));
    EXPECT_EQ(nullptr, LocalFree(nullptr));

    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(nullptr, empty);
    EXPECT_EQ(0u, LocalSize(empty));
    LocalFree(empty);
}

TEST(LocalHeap, ImpossibleSizeFailsCleanly) {
    SetLastError(0);
    EXPECT_EQ(nullptr, LocalAlloc(LPTR, SIZE_MAX / 2));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
}

TEST(GlobalHeap, MoveableBlocksCountLocks) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(16u, GlobalSize(h));
    void* p = GlobalLock(h);
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(allZero(p, 16));
    EXPECT_EQ(p, GlobalLock(h));
    EXPECT_TRUE(GlobalUnlock(h)) << "still locked once";
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(NO_ERROR, GetLastError()) << "unlocked: FALSE without an error";
    EXPECT_EQ(nullptr, GlobalFree(h));
    EXPECT_EQ(nullptr, GlobalLock(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());

    HGLOBAL fixed = GlobalAlloc(GPTR, 8);
    EXPECT_EQ(fixed, GlobalLock(fixed));
    EXPECT_FALSE(GlobalUnlock(fixed));
    EXPECT_EQ(nullptr, GlobalFree(fixed));
}

TEST(ProcessHeap, AllocateAndFree) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(nullptr, heap);
    void* p = HeapAlloc(heap, HEAP_ZERO_MEMORY, 64);
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(allZero(p, 64));
    EXPECT_TRUE(HeapFree(heap, 0, p));
    EXPECT_FALSE(HeapFree(heap, 0, p));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(nullptr, HeapAlloc(reinterpret_cast<HANDLE>(0x1234), 0, 8));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
}

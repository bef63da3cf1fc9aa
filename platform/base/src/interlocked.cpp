// The Interlocked functions: sequentially consistent atomic operations on
// aligned 32-bit values; arithmetic wraps around as on Windows.
#include "win32/sync.h"

LONG InterlockedIncrement(LONG volatile* p) noexcept { return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST); }

LONG InterlockedDecrement(LONG volatile* p) noexcept { return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST); }

LONG InterlockedExchange(LONG volatile* p, LONG v) noexcept { return __atomic_exchange_n(p, v, __ATOMIC_SEQ_CST); }

LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) noexcept {
    __atomic_compare_exchange_n(p, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return comparand;
}

// The task allocator is the C heap, one per process, so memory handed out
// by one module may be freed by another.
#include "task_memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace platform::com {

LPOLESTR taskMemoryCopy(std::u16string_view text) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, text.data(), text.size() * sizeof(OLECHAR));
    copy[text.size()] = u'\0';
    return copy;
}

}  // namespace platform::com

LPVOID CoTaskMemAlloc(SIZE_T cb) noexcept { return std::malloc(cb ? cb : 1); }

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) noexcept { return std::realloc(pv, cb ? cb : 1); }

void CoTaskMemFree(LPVOID pv) noexcept { std::free(pv); }

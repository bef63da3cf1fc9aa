// Owning wrappers for C objects: the deleter is named once, with the type.
#pragma once

#include <memory>

namespace platform {

template <auto Free>
struct FreeWith {
    template <class T>
    void operator()(T* p) const noexcept {
        if (p) Free(p);
    }
};

template <class T, auto Free>
using Owned = std::unique_ptr<T, FreeWith<Free>>;

}  // namespace platform

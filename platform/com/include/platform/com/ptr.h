// An owned interface pointer: Release when it goes.
#pragma once

#include <utility>

#include "platform/com/interface_id.h"

namespace platform::com {

template <class Interface>
class Ptr {
public:
    Ptr() = default;
    // Takes over a reference the caller already holds.
    static Ptr adopt(Interface* p) noexcept {
        Ptr owned;
        owned.m_p = p;
        return owned;
    }
    // Takes a reference of its own.
    static Ptr share(Interface* p) noexcept {
        if (p) p->AddRef();
        return adopt(p);
    }
    Ptr(const Ptr& other) noexcept : m_p(other.m_p) {
        if (m_p) m_p->AddRef();
    }
    Ptr(Ptr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    Ptr& operator=(Ptr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~Ptr() { reset(); }

    void reset() noexcept {
        if (auto* p = std::exchange(m_p, nullptr)) p->Release();
    }
    Interface* get() const noexcept { return m_p; }
    Interface* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    // For functions that return a new reference through Interface**.
    Interface** put() noexcept {
        reset();
        return &m_p;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    Interface* detach() noexcept { return std::exchange(m_p, nullptr); }

    // QueryInterface for another interface; empty when it is not supported.
    template <class Other>
    Ptr<Other> as() const noexcept {
        Ptr<Other> other;
        if (m_p) m_p->QueryInterface(InterfaceId<Other>::value, other.putVoid());
        return other;
    }

private:
    Interface* m_p = nullptr;
};

}  // namespace platform::com

// Handles given to callers are table entries, not pointers: a stale or forged
// handle is an error with the code Windows gives for that handle type, never
// a crash. Values are never reused within a process.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/win_error.h"

namespace platform {

template <class T>
class HandleTable {
public:
    explicit HandleTable(DWORD badHandle, ULONG_PTR firstValue = 0x1000) : m_bad(badHandle), m_next(firstValue) {}

    ULONG_PTR add(std::shared_ptr<T> obj) {
        std::lock_guard lock(m_mutex);
        const ULONG_PTR h = m_next;
        m_next += 4;  // keeps the low bits clear, as Windows handles are
        m_items.emplace(h, std::move(obj));
        return h;
    }

    std::shared_ptr<T> get(ULONG_PTR h) const {
        std::lock_guard lock(m_mutex);
        auto it = m_items.find(h);
        if (it == m_items.end()) throw WinError(m_bad, "invalid handle");
        return it->second;
    }

    std::shared_ptr<T> find(ULONG_PTR h) const {
        std::lock_guard lock(m_mutex);
        auto it = m_items.find(h);
        return it == m_items.end() ? nullptr : it->second;
    }

    // Removes the entry and returns its object; the same error for a second release.
    std::shared_ptr<T> remove(ULONG_PTR h) {
        std::lock_guard lock(m_mutex);
        auto it = m_items.find(h);
        if (it == m_items.end()) throw WinError(m_bad, "invalid handle");
        auto obj = std::move(it->second);
        m_items.erase(it);
        return obj;
    }

private:
    DWORD m_bad;
    mutable std::mutex m_mutex;
    ULONG_PTR m_next;
    std::unordered_map<ULONG_PTR, std::shared_ptr<T>> m_items;
};

}  // namespace platform

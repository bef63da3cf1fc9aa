// Records handed to callers in one block: the record first, then everything
// it points to, so one buffer of the reported size holds it all. A layout is
// written once as a function of a BlockWriter and run twice: first without a
// buffer, to measure, then into the caller's buffer.
#pragma once

#include <cstring>
#include <string_view>

#include "platform/win_error.h"
#include "store/bytes.h"

namespace platform::crypt::store {

class BlockWriter {
public:
    explicit BlockWriter(BYTE* base) : m_base(base) {}

    // Room for `count` objects of T, aligned for T; null while measuring.
    template <class T>
    T* take(std::size_t count = 1) {
        m_size = (m_size + alignof(T) - 1) / alignof(T) * alignof(T);
        T* at = m_base ? reinterpret_cast<T*>(m_base + m_size) : nullptr;
        m_size += sizeof(T) * count;
        return at;
    }
    BYTE* copy(View bytes) {
        BYTE* at = take<BYTE>(bytes.size());
        if (at && !bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
        return at;
    }
    // The text and its NUL.
    template <class Char>
    Char* copyText(std::basic_string_view<Char> text) {
        Char* at = take<Char>(text.size() + 1);
        if (at) {
            std::memcpy(at, text.data(), text.size() * sizeof(Char));
            at[text.size()] = Char{};
        }
        return at;
    }
    std::size_t size() const noexcept { return m_size; }

private:
    BYTE* m_base;
    std::size_t m_size = 0;
};

// The two-call size rule for a block: a null buffer gets the size, a short
// one ERROR_MORE_DATA and the size.
template <class LayOut>
void copyOutBlock(void* pv, DWORD* pcb, LayOut&& layOut) {
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null size pointer");
    BlockWriter measure(nullptr);
    layOut(measure);
    const DWORD room = *pcb;
    *pcb = static_cast<DWORD>(measure.size());
    if (!pv) return;
    if (room < measure.size()) throw WinError(ERROR_MORE_DATA, "buffer too small");
    BlockWriter write(static_cast<BYTE*>(pv));
    layOut(write);
}

}  // namespace platform::crypt::store

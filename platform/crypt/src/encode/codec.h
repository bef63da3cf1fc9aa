// What every structure type's encoder and decoder works with. An encoder
// turns a caller's record into DER; a decoder lays a record out in a Block.
// Decoders run twice, first to measure and then to fill, so the size a
// caller is told is exactly the size the record takes.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "der/der.h"
#include "platform/win_error.h"
#include "win32/crypt_encode.h"

namespace platform::crypt {

// One output block: the record first, then the data it points to, each piece
// aligned for its type. Without a base the block only measures: pieces then
// live in scratch memory until the block goes.
class Block {
public:
    explicit Block(BYTE* base) : m_base(base) {}

    void* allocate(std::size_t size, std::size_t align);
    template <class T>
    T* make(std::size_t count = 1) {
        return static_cast<T*>(allocate(sizeof(T) * count, alignof(T)));
    }
    std::size_t size() const noexcept { return m_size; }

private:
    BYTE* m_base;
    std::size_t m_size = 0;
    std::vector<std::unique_ptr<BYTE[]>> m_scratch;
};

class Decoding {
public:
    Decoding(Block& block, DWORD flags) : m_block(block), m_flags(flags) {}

    DWORD flags() const noexcept { return m_flags; }
    template <class T>
    T* make(std::size_t count = 1) {
        return m_block.make<T>(count);
    }
    // Bytes as they stand: into the caller's input under NOCOPY, else copied.
    CRYPTOAPI_BLOB bytes(der::View v);
    // Always copied (for values that must be terminated or converted).
    CRYPTOAPI_BLOB copy(der::View v);
    LPSTR text(std::string_view s);
    LPWSTR wide(std::u16string_view s);
    LPSTR oid(const der::Element& e);  // the element must be an OBJECT IDENTIFIER

private:
    Block& m_block;
    DWORD m_flags;
};

struct Encoding {
    DWORD flags = 0;
};

// A refused character: the code, and the position CryptoAPI reports in the
// size argument.
class EncodeError : public WinError {
public:
    EncodeError(HRESULT code, DWORD position) : WinError(code, "character not allowed"), m_position(position) {}
    DWORD position() const noexcept { return m_position; }
    // The same refusal with its position moved into a wider field.
    EncodeError shifted(DWORD add) const { return EncodeError(static_cast<HRESULT>(code()), m_position | add); }

private:
    DWORD m_position;
};

using EncodeFn = der::Bytes (*)(const void* info, const Encoding& e);
using DecodeFn = void (*)(der::View input, Decoding& d);

// A caller's array; a null pointer with a count is refused.
template <class T>
std::span<const T> items(const T* p, DWORD count) {
    if (count && !p) throw WinError(E_INVALIDARG, "null array with a count");
    return {p, count};
}
template <class T>
const T& record(const void* info) {
    if (!info) throw WinError(E_INVALIDARG, "null record");
    return *static_cast<const T*>(info);
}
inline std::string_view required(LPCSTR s) {
    if (!s) throw WinError(E_INVALIDARG, "null string");
    return s;
}
inline der::View view(const CRYPTOAPI_BLOB& b) {
    if (b.cbData && !b.pbData) throw WinError(E_INVALIDARG, "null blob with a size");
    return {b.pbData, b.cbData};
}

}  // namespace platform::crypt

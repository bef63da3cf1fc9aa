// Little-endian records of the store area's own formats (the stored blob,
// the key provider information). The reader refuses anything that runs past
// its input with ERROR_INVALID_DATA, so damaged stored data never reads
// outside its bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/bytes.h"

namespace platform::crypt::store {

class LeWriter {
public:
    explicit LeWriter(Bytes& out) : m_out(out) {}
    void dword(DWORD value);
    // A DWORD count, then the bytes.
    void counted(View bytes);
    // A DWORD count of characters (0xFFFFFFFF for none), then UTF-16LE.
    void text(const std::optional<std::u16string>& text);

private:
    Bytes& m_out;
};

class LeReader {
public:
    explicit LeReader(View data) : m_data(data) {}
    DWORD dword();
    View bytes(std::size_t count);
    View counted();
    std::optional<std::u16string> text();
    bool atEnd() const noexcept { return m_pos == m_data.size(); }
    // ERROR_INVALID_DATA when bytes are left.
    void finish() const;

private:
    View m_data;
    std::size_t m_pos = 0;
};

}  // namespace platform::crypt::store

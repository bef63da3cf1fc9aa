#include "store/little_endian.h"

#include "platform/win_error.h"

namespace platform::crypt::store {

namespace {
constexpr DWORD kNoText = 0xFFFFFFFFu;
}

void LeWriter::dword(DWORD value) {
    for (int shift = 0; shift < 32; shift += 8) m_out.push_back(static_cast<BYTE>(value >> shift));
}

void LeWriter::counted(View bytes) {
    dword(static_cast<DWORD>(bytes.size()));
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
}

void LeWriter::text(const std::optional<std::u16string>& text) {
    if (!text) {
        dword(kNoText);
        return;
    }
    dword(static_cast<DWORD>(text->size()));
    for (const char16_t c : *text) {
        m_out.push_back(static_cast<BYTE>(c));
        m_out.push_back(static_cast<BYTE>(c >> 8));
    }
}

View LeReader::bytes(std::size_t count) {
    if (count > m_data.size() - m_pos) throw WinError(ERROR_INVALID_DATA, "stored record runs past its end");
    const View part = m_data.subspan(m_pos, count);
    m_pos += count;
    return part;
}

DWORD LeReader::dword() {
    const View b = bytes(4);
    return static_cast<DWORD>(b[0]) | static_cast<DWORD>(b[1]) << 8 | static_cast<DWORD>(b[2]) << 16 |
           static_cast<DWORD>(b[3]) << 24;
}

View LeReader::counted() { return bytes(dword()); }

std::optional<std::u16string> LeReader::text() {
    const DWORD count = dword();
    if (count == kNoText) return std::nullopt;
    const View b = bytes(std::size_t{count} * 2);
    std::u16string text(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8);
    return text;
}

void LeReader::finish() const {
    if (!atEnd()) throw WinError(ERROR_INVALID_DATA, "stored record has bytes left over");
}

}  // namespace platform::crypt::store

// The one-block layout of decoded records, and the copies decoders make.
#include <cstring>

#include "encode/codec.h"

namespace platform::crypt {

void* Block::allocate(std::size_t size, std::size_t align) {
    const std::size_t offset = (m_size + align - 1) / align * align;
    if (offset + size > 0xFFFFFFFFu) throw WinError(CRYPT_E_ASN1_LARGE, "decoded record too large");
    m_size = offset + size;
    if (m_base) {
        BYTE* p = m_base + offset;
        std::memset(p, 0, size);
        return p;
    }
    m_scratch.push_back(std::make_unique<BYTE[]>(size ? size : 1));
    return m_scratch.back().get();
}

CRYPTOAPI_BLOB Decoding::bytes(der::View v) {
    if (m_flags & CRYPT_DECODE_NOCOPY_FLAG)
        return {static_cast<DWORD>(v.size()), const_cast<BYTE*>(v.data())};
    return copy(v);
}

CRYPTOAPI_BLOB Decoding::copy(der::View v) {
    if (v.empty()) return {0, nullptr};
    BYTE* p = make<BYTE>(v.size());
    std::memcpy(p, v.data(), v.size());
    return {static_cast<DWORD>(v.size()), p};
}

LPSTR Decoding::text(std::string_view s) {
    char* p = make<char>(s.size() + 1);
    std::memcpy(p, s.data(), s.size());
    return p;
}

LPWSTR Decoding::wide(std::u16string_view s) {
    WCHAR* p = make<WCHAR>(s.size() + 1);
    std::memcpy(p, s.data(), s.size() * sizeof(WCHAR));
    return p;
}

LPSTR Decoding::oid(const der::Element& e) {
    if (e.tag != der::kOid) throw WinError(CRYPT_E_ASN1_BADTAG, "OBJECT IDENTIFIER expected");
    return text(der::oidTextOf(e.content));
}

}  // namespace platform::crypt

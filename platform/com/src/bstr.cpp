// BSTRs: a 32-bit byte count, the UTF-16 text, and a NUL of two bytes, in
// one block of the C heap (so any module may free what another made). The
// pointer handed out is the text, just after the count.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "win32/oleauto.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
constexpr std::size_t kMaxBytes = 0x7FFFFFF0u;  // what the 32-bit count can describe, with room

std::uint32_t* headerOf(BSTR text) { return reinterpret_cast<std::uint32_t*>(reinterpret_cast<BYTE*>(text) - kPrefix); }

// A block for `bytes` bytes of text, its count set and its NUL written.
BSTR allocate(std::size_t bytes) {
    if (bytes > kMaxBytes) return nullptr;
    auto* block = static_cast<BYTE*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    const auto count = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &count, sizeof count);
    std::memset(block + kPrefix + bytes, 0, sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(block + kPrefix);
}

std::size_t length(const OLECHAR* text) {
    std::size_t n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) noexcept {
    if (!psz) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(length(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) noexcept {
    const std::size_t bytes = static_cast<std::size_t>(ui) * sizeof(OLECHAR);
    BSTR out = allocate(bytes);
    if (!out) return nullptr;
    if (strIn)
        std::memmove(out, strIn, bytes);
    else
        std::memset(out, 0, bytes);
    return out;
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) noexcept {
    BSTR out = allocate(len);
    if (!out) return nullptr;
    auto* bytes = reinterpret_cast<BYTE*>(out);
    if (psz)
        std::memmove(bytes, psz, len);
    else
        std::memset(bytes, 0, len);
    return out;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) noexcept {
    if (!pbstr) return FALSE;
    // The new text may be part of the old one: copy before freeing.
    BSTR replacement = SysAllocStringLen(psz, len);
    if (!replacement) return FALSE;
    SysFreeString(*pbstr);
    *pbstr = replacement;
    return TRUE;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) noexcept {
    return SysReAllocStringLen(pbstr, psz, psz ? static_cast<UINT>(length(psz)) : 0);
}

void SysFreeString(BSTR bstrString) noexcept {
    if (bstrString) std::free(headerOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) noexcept { return bstr ? *headerOf(bstr) : 0; }

UINT SysStringLen(BSTR pbstr) noexcept { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

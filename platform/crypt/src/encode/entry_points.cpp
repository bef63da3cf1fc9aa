// CryptEncodeObject(Ex) and CryptDecodeObject(Ex): the size protocol, the
// allocation flags and the error position of refused characters.
#include <cstring>

#include "encode/struct_types.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "win32/memory.h"

using namespace platform;
using namespace platform::crypt;

namespace {

void* allocateFor(PCRYPT_ENCODE_PARA para, std::size_t size) {
    void* p = para && para->cbSize >= sizeof(CRYPT_ENCODE_PARA) && para->pfnAlloc ? para->pfnAlloc(size)
                                                                                    : LocalAlloc(LMEM_FIXED, size);
    if (!p) throw WinError(static_cast<DWORD>(E_OUTOFMEMORY), "no memory for the result");
    return p;
}

der::Bytes encodeRefusingAt(const Codec& codec, const void* info, DWORD flags, DWORD* pcbEncoded) {
    if (!pcbEncoded) throw WinError(E_INVALIDARG, "null size pointer");
    try {
        return codec.encode(info, Encoding{flags});
    } catch (const EncodeError& refused) {
        *pcbEncoded = refused.position();
        throw;
    }
}

}  // namespace

BOOL CryptEncodeObjectEx(DWORD dwCertEncodingType, LPCSTR lpszStructType, const void* pvStructInfo, DWORD dwFlags,
                         PCRYPT_ENCODE_PARA pEncodePara, void* pvEncoded, DWORD* pcbEncoded) noexcept {
    return winBool([&] {
        const Codec& codec = codecFor(dwCertEncodingType, lpszStructType);
        const der::Bytes encoded = encodeRefusingAt(codec, pvStructInfo, dwFlags, pcbEncoded);
        if (dwFlags & CRYPT_ENCODE_ALLOC_FLAG) {
            if (!pvEncoded) throw WinError(E_INVALIDARG, "null result pointer");
            void* block = allocateFor(pEncodePara, encoded.size());
            if (!encoded.empty()) std::memcpy(block, encoded.data(), encoded.size());
            *static_cast<BYTE**>(pvEncoded) = static_cast<BYTE*>(block);
            *pcbEncoded = static_cast<DWORD>(encoded.size());
            return true;
        }
        copyOut(encoded, static_cast<BYTE*>(pvEncoded), pcbEncoded);
        return true;
    });
}

BOOL CryptEncodeObject(DWORD dwCertEncodingType, LPCSTR lpszStructType, const void* pvStructInfo, BYTE* pbEncoded,
                       DWORD* pcbEncoded) noexcept {
    return CryptEncodeObjectEx(dwCertEncodingType, lpszStructType, pvStructInfo, 0, nullptr, pbEncoded, pcbEncoded);
}

BOOL CryptDecodeObjectEx(DWORD dwCertEncodingType, LPCSTR lpszStructType, const BYTE* pbEncoded, DWORD cbEncoded,
                         DWORD dwFlags, PCRYPT_DECODE_PARA pDecodePara, void* pvStructInfo,
                         DWORD* pcbStructInfo) noexcept {
    return winBool([&] {
        const Codec& codec = codecFor(dwCertEncodingType, lpszStructType);
        if (!pcbStructInfo || (cbEncoded && !pbEncoded)) throw WinError(E_INVALIDARG, "null argument");
        const der::View input(pbEncoded, cbEncoded);
        const auto decodeInto = [&](BYTE* base) {
            Block block(base);
            Decoding d(block, dwFlags);
            codec.decode(input, d);
            return block.size();
        };
        const std::size_t size = decodeInto(nullptr);
        if (dwFlags & CRYPT_DECODE_ALLOC_FLAG) {
            if (!pvStructInfo) throw WinError(E_INVALIDARG, "null result pointer");
            auto* block = static_cast<BYTE*>(allocateFor(pDecodePara, size));
            decodeInto(block);
            *static_cast<void**>(pvStructInfo) = block;
            *pcbStructInfo = static_cast<DWORD>(size);
            return true;
        }
        const DWORD room = *pcbStructInfo;
        *pcbStructInfo = static_cast<DWORD>(size);
        if (!pvStructInfo) return true;
        if (room < size) throw WinError(ERROR_MORE_DATA, "buffer too small");
        decodeInto(static_cast<BYTE*>(pvStructInfo));
        return true;
    });
}

BOOL CryptDecodeObject(DWORD dwCertEncodingType, LPCSTR lpszStructType, const BYTE* pbEncoded, DWORD cbEncoded,
                       DWORD dwFlags, void* pvStructInfo, DWORD* pcbStructInfo) noexcept {
    return CryptDecodeObjectEx(dwCertEncodingType, lpszStructType, pbEncoded, cbEncoded,
                               dwFlags & ~CRYPT_DECODE_ALLOC_FLAG, nullptr, pvStructInfo, pcbStructInfo);
}

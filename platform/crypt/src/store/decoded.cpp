#include "store/decoded.h"

#include "store/last_error.h"
#include "win32/crypt_encode.h"

namespace platform::crypt::store {

void* decodeBlock(LPCSTR structType, View encoded, DWORD flags) {
    void* block = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(kEncoding, structType, encoded.data(), static_cast<DWORD>(encoded.size()),
                             flags | CRYPT_DECODE_ALLOC_FLAG, nullptr, &block, &size))
        throwLastError("CryptDecodeObjectEx");
    return block;
}

Bytes decodeToBytes(LPCSTR structType, View encoded) {
    DWORD size = 0;
    if (!CryptDecodeObjectEx(kEncoding, structType, encoded.data(), static_cast<DWORD>(encoded.size()), 0, nullptr,
                             nullptr, &size))
        throwLastError("CryptDecodeObjectEx");
    Bytes out(size);
    if (!CryptDecodeObjectEx(kEncoding, structType, encoded.data(), static_cast<DWORD>(encoded.size()), 0, nullptr,
                             out.data(), &size))
        throwLastError("CryptDecodeObjectEx");
    out.resize(size);
    return out;
}

Bytes encodeObject(LPCSTR structType, const void* structInfo) {
    DWORD size = 0;
    if (!CryptEncodeObjectEx(kEncoding, structType, structInfo, 0, nullptr, nullptr, &size))
        throwLastError("CryptEncodeObjectEx");
    Bytes out(size);
    if (!CryptEncodeObjectEx(kEncoding, structType, structInfo, 0, nullptr, out.data(), &size))
        throwLastError("CryptEncodeObjectEx");
    out.resize(size);
    return out;
}

}  // namespace platform::crypt::store

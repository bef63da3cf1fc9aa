// decoded_object.cpp: the two-call decoding of one CryptoAPI structure.
#include "common/decoded_object.h"

#include <utility>

DecodedObject::DecodedObject(LPCSTR structType, const BYTE* encoded, DWORD size, DWORD flags) {
    DWORD needed = 0;
    if (!encoded || !CryptDecodeObject(kCertEncoding, structType, encoded, size, flags, nullptr, &needed) || !needed)
        return;
    RecordBuffer record(needed);
    if (CryptDecodeObject(kCertEncoding, structType, encoded, size, flags, record.data(), &needed))
        m_record = std::move(record);
}

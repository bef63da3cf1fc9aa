// decoded_object.h: room for a CryptoAPI record that a call writes after
// reporting its size, and one CryptDecodeObject result decoded that way.
#pragma once

#include <cstddef>
#include <vector>

#include "win32/crypt_encode.h"

inline constexpr DWORD kCertEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// Bytes aligned for any record.
class RecordBuffer {
public:
    RecordBuffer() = default;
    explicit RecordBuffer(DWORD bytes) : m_items((bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)) {}

    bool empty() const noexcept { return m_items.empty(); }
    void* data() noexcept { return m_items.data(); }
    template <class Record>
    const Record& as() const noexcept {
        return *reinterpret_cast<const Record*>(m_items.data());
    }

private:
    std::vector<std::max_align_t> m_items;
};

class DecodedObject {
public:
    // With CRYPT_DECODE_NOCOPY_FLAG the record points into encoded, which
    // must then outlive this object.
    DecodedObject(LPCSTR structType, const BYTE* encoded, DWORD size, DWORD flags = 0);
    DecodedObject(LPCSTR structType, const CRYPTOAPI_BLOB& encoded, DWORD flags = 0)
        : DecodedObject(structType, encoded.pbData, encoded.cbData, flags) {}

    explicit operator bool() const noexcept { return !m_record.empty(); }
    template <class Record>
    const Record& as() const noexcept {
        return m_record.as<Record>();
    }

private:
    RecordBuffer m_record;  // empty when decoding failed
};

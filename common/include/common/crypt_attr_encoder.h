// TCryptAttrEncoder: the signed and unsigned attribute lists handed to
// CryptSignMessage, each attribute with exactly one value encoded here. The
// values live on the global heap and belong to the encoder; the attribute
// OIDs are the caller's constants and are not copied.
#pragma once

#include "win32/crypt_types.h"

class TCryptAttrEncoder {
public:
    static constexpr DWORD kSlots = 4;  // attributes per list

    enum Kind : DWORD { Signed = 0, Unsigned = 1 };

    TCryptAttrEncoder() = default;
    virtual ~TCryptAttrEncoder();
    TCryptAttrEncoder(const TCryptAttrEncoder&) = delete;
    TCryptAttrEncoder& operator=(const TCryptAttrEncoder&) = delete;

    // Frees every value and empties both lists.
    void Reset();

    // Encodes info as structType (CryptEncodeObject, X.509 and PKCS#7) into
    // the one value of a new attribute oid at the end of the list; 1, or 0
    // when the list is full, the heap is exhausted or the encoding fails,
    // the list then staying as it was.
    DWORD Add(Kind kind, LPCSTR oid, LPCSTR structType, const void* info);

    DWORD Count(Kind kind) const noexcept { return m_lists[kind].count; }
    // The list for CryptSignMessage; null when it is empty.
    PCRYPT_ATTRIBUTE Attributes(Kind kind) noexcept { return m_lists[kind].count ? m_lists[kind].slots : nullptr; }

private:
    struct List {
        CRYPT_ATTRIBUTE slots[kSlots]{};
        DWORD count = 0;
    };

    List m_lists[2];
};

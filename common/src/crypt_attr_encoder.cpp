// crypt_attr_encoder.cpp: attribute values encoded onto the global heap.
#include "common/crypt_attr_encoder.h"

#include "common/decoded_object.h"
#include "win32/crypt_encode.h"
#include "win32/memory.h"

namespace {

void FreeValue(CRYPT_ATTRIBUTE& slot) noexcept {
    if (slot.rgValue) {
        if (slot.rgValue->pbData) GlobalFree(slot.rgValue->pbData);
        GlobalFree(slot.rgValue);
    }
    slot = {};
}

}  // namespace

TCryptAttrEncoder::~TCryptAttrEncoder() { Reset(); }

void TCryptAttrEncoder::Reset() {
    for (List& list : m_lists) {
        for (CRYPT_ATTRIBUTE& slot : list.slots) FreeValue(slot);
        list.count = 0;
    }
}

DWORD TCryptAttrEncoder::Add(Kind kind, LPCSTR oid, LPCSTR structType, const void* info) {
    List& list = m_lists[kind];
    if (list.count >= kSlots) return 0;
    CRYPT_ATTRIBUTE& slot = list.slots[list.count];
    slot.rgValue = static_cast<PCRYPT_ATTR_BLOB>(GlobalAlloc(GPTR, sizeof(CRYPT_ATTR_BLOB)));
    DWORD size = 0;
    if (slot.rgValue && CryptEncodeObject(kCertEncoding, structType, info, nullptr, &size)) {
        slot.rgValue->pbData = static_cast<BYTE*>(GlobalAlloc(GPTR, size));
        if (slot.rgValue->pbData && CryptEncodeObject(kCertEncoding, structType, info, slot.rgValue->pbData, &size)) {
            slot.rgValue->cbData = size;
            slot.pszObjId = const_cast<LPSTR>(oid);
            slot.cValue = 1;
            ++list.count;
            return 1;
        }
    }
    FreeValue(slot);
    return 0;
}

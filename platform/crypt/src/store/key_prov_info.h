// CERT_KEY_PROV_INFO_PROP_ID: kept as a flat little-endian record (the same
// bytes in memory and in the stored blob) and laid out as a
// CRYPT_KEY_PROV_INFO block when read.
//
// Record: provider type, flags, key spec (DWORDs); container and provider
// names (a DWORD count of UTF-16 units, 0xFFFFFFFF for a null name, then the
// units); the parameter count, then per parameter its id, flags and counted
// bytes.
#pragma once

#include "store/bytes.h"
#include "win32/crypt_store.h"

namespace platform::crypt::store {

Bytes packKeyProvInfo(const CRYPT_KEY_PROV_INFO& info);
// ERROR_INVALID_DATA for a damaged record.
void checkKeyProvInfo(View packed);
// The dwKeySpec of a packed record.
DWORD keySpecOf(View packed);
void copyOutKeyProvInfo(View packed, void* pvData, DWORD* pcbData);

}  // namespace platform::crypt::store

// The "Blob" value of an entry in a system store, a format of our own:
//
//   "TSKB"                    4 bytes, the mark of the format
//   DWORD version             1
//   records, each             DWORD id, DWORD size, size bytes
//
// All numbers are little-endian. The first record has id 0 and holds the
// encoded certificate or CRL; the others are the stored properties by
// ascending id (for CERT_KEY_PROV_INFO_PROP_ID the record of key_prov_info.h,
// for the rest the property's bytes). Anything else is damaged.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "store/bytes.h"

namespace platform::crypt::store {

Bytes storedBlobOf(View encoded, const std::map<DWORD, Bytes>& properties);

struct StoredBlob {
    View encoded;
    std::vector<std::pair<DWORD, View>> properties;
};
// ERROR_INVALID_DATA for a damaged blob; the views point into `blob`.
StoredBlob readStoredBlob(View blob);

}  // namespace platform::crypt::store

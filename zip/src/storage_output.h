// The one way encoders (cryptographs and compressors) write to the storage.
// The reading build has no writing storage and never encodes; its copies of
// the encoding functions, which their classes' tables need, write nothing.
#pragma once

#include "zip/zip_storage.h"

inline void writeToStorage(CZipStorage& storage, const void* data, std::uint32_t size) {
    if constexpr (kZipWrites) storage.Write(data, size, false);
}

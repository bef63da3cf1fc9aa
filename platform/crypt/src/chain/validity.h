// Whether a certificate is valid at a moment (FILETIME ticks), bounds included.
#pragma once

#include "store/file_time.h"
#include "win32/crypt_types.h"

namespace platform::crypt::chain {

inline bool validAt(const CERT_INFO& info, ULONGLONG when) {
    return store::ticksOf(info.NotBefore) <= when && when <= store::ticksOf(info.NotAfter);
}

}  // namespace platform::crypt::chain

// Private keys decoded from container files, kept for the process.
//
// Every use of a software key reads its container again, so that changes by
// other handles and processes are seen; decoding the key and setting up its
// blinding are what make a signature slow, and both are done once per key
// here. Keys are found by the SHA-256 of their DER, the cache holds a few
// of them and a deleted container's keys are dropped at once.
#pragma once

#include "container_record.h"

namespace platform::crypt::provider {

// The key of this PKCS #1 RSAPrivateKey DER; WinError(failureCode) when the
// bytes are not one.
SharedPKey decodedPrivateKey(View der, DWORD failureCode);
// Drops every kept key (a container was deleted).
void forgetDecodedKeys() noexcept;

}  // namespace platform::crypt::provider

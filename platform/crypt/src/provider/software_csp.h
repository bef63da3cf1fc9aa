// The built-in software providers: RSA keys over OpenSSL in container files
// shared by all of them, as the Microsoft providers share theirs.
#pragma once

#include "csp.h"

namespace platform::crypt::provider {

std::unique_ptr<Csp> makeSoftwareCsp(const ProviderEntry& entry);

// A public key imported on its own (PUBLICKEYBLOB), in any provider.
std::shared_ptr<Key> publicKeyAlone(PKey key, ALG_ID algorithm);

}  // namespace platform::crypt::provider

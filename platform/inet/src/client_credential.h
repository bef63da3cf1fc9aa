// A client certificate context as the TLS side needs it: the certificate's
// bytes and a signer that runs in the key's CryptoAPI provider.
#pragma once

#include <memory>

#include "transfer.h"
#include "win32/crypt_types.h"

namespace platform::inet {

// Keeps a duplicate of the context for as long as the credential lives;
// throws WinError for a context that is not a live one. A key that cannot
// be used fails the signature, and so the handshake.
std::shared_ptr<const ClientCredential> clientCredentialOf(PCCERT_CONTEXT context);

}  // namespace platform::inet

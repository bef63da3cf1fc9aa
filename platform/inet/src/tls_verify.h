// Verification of the server's certificate chain in place of OpenSSL's own.
#pragma once

#include <openssl/x509_vfy.h>

#include "tls_context.h"

namespace platform::inet {

// For SSL_CTX_set_cert_verify_callback: builds the chain from what the
// server sent, the stores' intermediates and anchors, checks it (dates by
// the layer's clock, the host name or address, CRLs from the stores) and
// waives what the security flags allow. 1 to accept; 0 with
// state.certificateError set to refuse.
int verifyServerChain(X509_STORE_CTX* sent, TlsState& state);

}  // namespace platform::inet

// Card providers over a PKCS #11 module. The module's slots are the readers:
// a reader is named by its slot description or by its token's label. A
// container is a set of token objects sharing one CKA_LABEL, the container
// name in UTF-8:
//   a CKO_DATA object with CKA_APPLICATION "Tesk key container" (the
//   container itself, public, so that it exists before it has keys);
//   per key pair, a public and a private RSA key whose CKA_ID is the name
//   followed by one byte, the key spec (1 exchange, 2 signature); the
//   private key is sensitive and not extractable, and signs on the token;
//   the key's certificate, a CKO_CERTIFICATE with the same CKA_ID.
//   the card's data for its keys (vendor key parameters, card_data.h).
// Vendor provider parameters are the token's data objects (card_data.h).
// Generating, signing, writing certificates and deleting need the user
// PIN: the one set by PP_KEYEXCHANGE_PIN / PP_SIGNATURE_PIN, else the UI's
// PIN question (NTE_SILENT_CONTEXT under CRYPT_SILENT or a verify context).
#pragma once

#include "csp.h"

namespace platform::crypt::provider {

std::unique_ptr<Csp> makeCardCsp(const ProviderEntry& entry);

}  // namespace platform::crypt::provider

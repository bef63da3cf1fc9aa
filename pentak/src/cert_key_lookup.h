// Finding the key of a certificate among the containers read from a
// provider and in the user's stores, and the texts that list those
// containers' keys.
#pragma once

#include <string>
#include <vector>

#include "key_records.h"

// The key of the certificate (DER): the first CSP store entry whose key
// holds these bytes or is the certificate's public key, else the first
// certificate of the user's "REQUEST" and then "MY" store that has its
// public key and names a key (a pending request, an earlier certificate of
// the key). The thread's last error is kept across the search.
bool FindCertKeyInStores(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                         CertKeyInfo& out);
// The same without the "REQUEST" store, and true only when the key found
// is named fully (provider, container and key spec).
bool FindCertKeyInCspStoreOrPersonal(const std::vector<BYTE>& certificate, const std::vector<CspStoreEntry>& entries,
                                     CertKeyInfo& out);

// Three texts over the entries that hold a key, each joined with "|": the
// container names, the hashes of their public keys (upper-case hexadecimal,
// by the hash algorithm given), and their certificates in Base64 (empty
// for a key without one). False when a hash cannot be computed.
bool JoinPubKeyHashes(const std::vector<CspStoreEntry>& entries, ALG_ID hashAlgId, std::u16string& containers,
                      std::u16string& hashes, std::u16string& certificates);

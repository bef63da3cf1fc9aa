// Certificate stores as the enrolment library uses them: the current
// user's system stores and memory stores of certificates at hand.
#pragma once

#include <string>
#include <vector>

#include "common/owned_context.h"
#include "key_records.h"

// The current user's system store of that name, when it exists; null
// otherwise.
OwnedCertStore OpenUserStore(const std::u16string& name);

// A memory store holding the certificates, each added replacing an equal
// one already there; null when the store cannot be made.
OwnedCertStore MemoryStoreOf(const std::vector<PCCERT_CONTEXT>& certificates);

// A context of the certificate whose key-provider property names the key
// of the record; null when the bytes are no certificate or the property
// cannot be set.
OwnedCertContext CertificateWithKey(const std::vector<BYTE>& der, const CertKeyInfo& key);
